#pragma once

#include "pellivar/SHItem.h"
#include "pellivar/Timing.h"

#include <QWidget>

#include <memory>

class QButtonGroup;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pellivar::ui {

class CMainFrame;
class CPageView;
class CPellivarApp;

// The main window's left bar: "Connect", "Power On", "Get", "Save", "Load",
// the 17 source buttons and the tree of setting pages. It follows the
// unit's "P1S" reports of the selected source.
class CTreeBar final : public QWidget, private ReplyWindow {
    Q_OBJECT
public:
    // Item data: the source number (-1 for the global pages) and the page.
    static constexpr int kSourceRole = Qt::UserRole;
    static constexpr int kPageRole = Qt::UserRole + 1;
    // The radio labels in group order (group position = source number).
    static constexpr const char* kRadioLabels[17] = {"CD",   "2-ch", "6-ch", "Tape", "Tuner", "DVD1",
                                                     "TV1",  "SAT1", "VCR",  "AUX",  "DVD2",  "DVD3",
                                                     "DVD4", "TV2",  "TV3",  "TV4",  "SAT2"};
    // The tree's source order.
    static constexpr int kTreeOrder[17] = {0, 1, 2, 3, 4, 5, 10, 11, 12, 6, 13, 14, 15, 7, 16, 8, 9};
    static constexpr const char* kNotConnectedText = "Unit is not connected, please double check connection";
    static constexpr const char* kNotPoweredText =
        "Unit is either not connected or it is off, please double check connection";
    // Then the values, one a line.
    static constexpr const char* kUnansweredFormat =
        "%1 value(s) did not come back from the unit, though asked %2 times; they show what was there before. "
        "Use \"Get\" again.";
    // A Get cut short by a lost line: the queries sent, and in all.
    static constexpr const char* kGetLostFormat =
        "The connection was lost during \"Get\" after %1 of %2 queries: the values shown are partly old (those "
        "not read before the loss show what was there before). Use \"Get\" again once the unit is connected.";
    // Pacing of the bulk exchanges (pause units) and Load's end markers.
    static constexpr int kGetPause = 0;
    static constexpr int kLoadPause = 1;
    static constexpr int kLoadMarkers = 5;

    CTreeBar(CPellivarApp& app, CMainFrame& frame, QWidget* parent = nullptr);
    ~CTreeBar() override;

    // Inserts the 17 source items with their four pages, then the global
    // pages, and selects the first "Scaling".
    void BuildTree(CPageView* scaling, CPageView* input, CPageView* picture, CPageView* output,
                   CPageView* advanced, CPageView* resolution, CPageView* gamma);
    // Subscribes to the unit's source reports.
    void Initialise();

    QTreeWidget* Tree() const { return tree_; }
    QButtonGroup* Radios() const { return radios_; }
    int SelectedSource() const { return selected_; }
    QPushButton* Button(const QString& text) const;
    // The tree item of a source's page (0-3) or of a global page (source -1,
    // page 0-2).
    QTreeWidgetItem* ItemFor(int source, int page) const;

    void OnConnect();
    void OnPowerOn();
    void OnSourceClicked(int source);
    void OnGet();
    void OnLoad();
    // The wait after choosing a source (the unit switches meanwhile).
    void SetSourceWaitMs(int ms) { sourceWaitMs_ = ms; }

private:
    void OnSelectionChanged();
    void OnControlRequestCompleted(const std::string& reply) override;
    void RefreshRadios();

    CPellivarApp& app_;
    CMainFrame& frame_;
    QTreeWidget* tree_;
    QButtonGroup* radios_;
    std::shared_ptr<SHItem> sourceItem_;
    int selected_ = 5;
    int power_ = 0;
    int sourceWaitMs_ = static_cast<int>(Timing{}.sourceSwitchMs);
};

}  // namespace pellivar::ui
