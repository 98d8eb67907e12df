// The wizard dialog offscreen: what it shows at first, the step boxes the
// user cannot change, and Escape with no step running.
#include "GuiTestApp.h"
#include "halvane/app/BCheck.h"
#include "halvane/app/CWizardDialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

TEST(WizardDialog, ShowsItsControlsAndKeepsTheStepBoxes) {
    EnsureTestApplication();
    halvane::app::CWizardDialog wizard({});
    QTimer::singleShot(0, &wizard, [&] {
        EXPECT_EQ(wizard.windowTitle(), "Halvane");
        EXPECT_EQ(wizard.StatusLabel()->text(), "Press start to begin.");
        EXPECT_EQ(wizard.ProceedCheck()->text(), "Automatically proceed to the next step");
        EXPECT_EQ(wizard.SaveCheck()->text(), "Save progress after each step");
        EXPECT_TRUE(wizard.ProceedCheck()->isChecked());
        EXPECT_TRUE(wizard.SaveCheck()->isChecked());
        EXPECT_FALSE(wizard.AbortButton()->isEnabled());
        EXPECT_EQ(wizard.AbortButton()->text(), "Abort stage");
        EXPECT_EQ(wizard.AboutButton()->text(), "About...");
        for (int step = 0; step < 3; ++step) {
            QTest::mouseClick(wizard.StepBox(step), Qt::LeftButton);
            EXPECT_FALSE(wizard.StepBox(step)->isChecked()) << step;
        }
        // An option the user unticks is what the run reads.
        QTest::mouseClick(wizard.SaveCheck(), Qt::LeftButton);
        EXPECT_FALSE(wizard.SaveOption());
        // Escape with nothing running leaves the wizard without results.
        QTest::keyClick(&wizard, Qt::Key_Escape);
    });
    EXPECT_EQ(wizard.RunModal(), 2);
}
