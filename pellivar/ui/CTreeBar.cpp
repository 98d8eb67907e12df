#include "pellivar/ui/CTreeBar.h"

#include "pellivar/ReadBack.h"
#include "pellivar/SourcePageModel.h"
#include "pellivar/UnitCommands.h"
#include "pellivar/VideoSettingInfo.h"
#include "pellivar/ui/CMainFrame.h"
#include "pellivar/ui/CPageView.h"
#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CheckedSend.h"
#include "pellivar/ui/MessageBoxes.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdio>
#include <utility>
#include <vector>

namespace pellivar::ui {

namespace {

constexpr const char* kPageLabels[4] = {"Scaling", "Input", "Picture", "Output"};

}  // namespace

CTreeBar::CTreeBar(CPellivarApp& app, CMainFrame& frame, QWidget* parent)
    : QWidget(parent), app_(app), frame_(frame), tree_(new QTreeWidget(this)), radios_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    auto* processor = new QGroupBox("Processor:", this);
    auto* pl = new QGridLayout(processor);
    auto add = [this](QGridLayout* grid, const char* text, int row, int column, auto handler) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(text);
        grid->addWidget(b, row, column);
        connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    add(pl, "Connect", 0, 0, [this] { OnConnect(); });
    add(pl, "Power On", 0, 1, [this] { OnPowerOn(); });
    layout->addWidget(processor);

    auto* settings = new QGroupBox("Settings:", this);
    auto* sl = new QGridLayout(settings);
    add(sl, "Get", 0, 0, [this] { OnGet(); });
    add(sl, "Save", 0, 1, [this] { frame_.OnFileSaveAs(); });
    add(sl, "Load", 0, 2, [this] { OnLoad(); });
    layout->addWidget(settings);

    auto* sources = new QGroupBox("Source Select:", this);
    auto* rl = new QGridLayout(sources);
    rl->setSpacing(2);
    for (int s = 0; s < 17; ++s) {
        auto* r = new QRadioButton(kRadioLabels[s], sources);
        r->setObjectName(QString("source%1").arg(s));
        radios_->addButton(r, s);
        rl->addWidget(r, s / 3, s % 3);
    }
    connect(radios_, &QButtonGroup::idClicked, this, [this](int id) { OnSourceClicked(id); });
    layout->addWidget(sources);

    layout->addWidget(new QLabel("Edit:", this));
    tree_->setHeaderHidden(true);
    tree_->setObjectName("tree1001");
    layout->addWidget(tree_, 1);
    connect(tree_, &QTreeWidget::itemSelectionChanged, this, &CTreeBar::OnSelectionChanged);
    RefreshRadios();
}

CTreeBar::~CTreeBar() {
    if (sourceItem_) {
        sourceItem_->Detach();
        app_.GetCommunicator().Unsubscribe(sourceItem_.get());
    }
}

QPushButton* CTreeBar::Button(const QString& text) const { return findChild<QPushButton*>(text); }

void CTreeBar::Initialise() {
    if (sourceItem_) return;
    sourceItem_ = std::make_shared<SHItem>(UnitCommands::kSourcePrefix, static_cast<ReplyWindow*>(this));
    app_.GetCommunicator().Subscribe(sourceItem_);
}

void CTreeBar::BuildTree(CPageView* scaling, CPageView* input, CPageView* picture, CPageView* output,
                         CPageView* advanced, CPageView* resolution, CPageView* gamma) {
    CPageView* pages[4] = {scaling, input, picture, output};
    auto pageData = [](CPageView* p) { return QVariant::fromValue(static_cast<void*>(p)); };
    QTreeWidgetItem* first = nullptr;
    for (int source : kTreeOrder) {
        auto* item = new QTreeWidgetItem(tree_, QStringList(SourceNames::name(source)));
        item->setData(0, kSourceRole, source);
        for (int p = 0; p < 4; ++p) {
            auto* child = new QTreeWidgetItem(item, QStringList(kPageLabels[p]));
            child->setData(0, kSourceRole, source);
            child->setData(0, kPageRole, pageData(pages[p]));
            if (first == nullptr) first = child;
        }
    }
    auto* adv = new QTreeWidgetItem(tree_, QStringList("Advanced Video Settings"));
    adv->setData(0, kSourceRole, -1);
    adv->setData(0, kPageRole, pageData(advanced));
    auto* rez = new QTreeWidgetItem(adv, QStringList("Custom Output Resolution"));
    rez->setData(0, kSourceRole, -1);
    rez->setData(0, kPageRole, pageData(resolution));
    auto* gam = new QTreeWidgetItem(adv, QStringList("Custom Gamma Correction"));
    gam->setData(0, kSourceRole, -1);
    gam->setData(0, kPageRole, pageData(gamma));
    adv->setExpanded(true);
    if (first != nullptr) {
        first->parent()->setExpanded(true);
        tree_->setCurrentItem(first);
    }
}

QTreeWidgetItem* CTreeBar::ItemFor(int source, int page) const {
    if (source < 0) {
        QTreeWidgetItem* adv = tree_->topLevelItem(tree_->topLevelItemCount() - 1);
        if (adv == nullptr) return nullptr;
        return page == 0 ? adv : adv->child(page - 1);
    }
    for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = tree_->topLevelItem(i);
        if (top->data(0, kSourceRole).toInt() == source && top->childCount() == 4) return top->child(page);
    }
    return nullptr;
}

// A page item's parent carries the source the page serves (-1 for none).
void CTreeBar::OnSelectionChanged() {
    QTreeWidgetItem* item = tree_->currentItem();
    if (item == nullptr) return;
    auto* page = static_cast<CPageView*>(item->data(0, kPageRole).value<void*>());
    if (page == nullptr) return;
    QTreeWidgetItem* parent = item->parent();
    const int source = parent != nullptr ? parent->data(0, kSourceRole).toInt() : -1;
    if (source != -1) page->SetSource(source);
    frame_.SwitchToView(page);
    tree_->setFocus();
}

void CTreeBar::OnConnect() { frame_.ChooseBaudRateAndSearch(); }

void CTreeBar::OnPowerOn() {
    if (!app_.GetCommunicator().GetPort().IsOpen()) {
        ShowErrorBox(kNotConnectedText);
        return;
    }
    // Power on, then ask; handed over as it is, without "\n".
    app_.Link().HandOver(UnitCommands::kPowerOnLine);
}

void CTreeBar::OnSourceClicked(int source) {
    if (source < 0 || source >= SourceNames::kCount) return;
    selected_ = source;
    app_.UpdateUnitWithString(UnitCommands::SelectSource(source));
    // The unit switches its source meanwhile (on the link's clock, like
    // every other wait of the program).
    app_.GetCommunicator().GetPort().clock().sleepMs(sourceWaitMs_);
}

void CTreeBar::OnControlRequestCompleted(const std::string& reply) {
    if (reply.find(UnitCommands::kPowerPrefix) != std::string::npos) {
        std::sscanf(reply.c_str() + 3, "%d", &power_);
    } else if (reply.find(UnitCommands::kSourcePrefix) != std::string::npos) {
        const int source = UnitCommands::SourceOfReply(reply);
        if (source >= 0) selected_ = source;
    }
    RefreshRadios();
}

void CTreeBar::RefreshRadios() {
    if (QAbstractButton* b = radios_->button(selected_)) b->setChecked(true);
}

// Every value is asked for; what did not come back is asked again, and
// what still did not is named (those pages keep what they showed before).
void CTreeBar::OnGet() {
    CTessikCommunicator& comm = app_.GetCommunicator();
    if (comm.QueryPower() == 0) {
        ShowErrorBox(kNotPoweredText);
        return;
    }
    CPellivarDoc& doc = app_.GetCurrentDoc();
    ReadBack check(app_.Link());
    for (int s = 0; s < CPellivarDoc::kSources; ++s)
        for (const int i : kVideoSettingListOrder) {
            const auto setting = static_cast<VideoSetting>(i);
            check.AddQuery(SettingName(s, setting), doc.GetSourceSettings(s).Value(setting));
        }
    CheckedSendOutcome outcome;
    const bool arrived = RunBatch(app_, &frame_, kGetPause, "Please wait.... Retrieving data....",
                                  [&] { return check.QueueQueries() > 0; }, outcome);
    check.Settle();
    if (arrived) AskAgain(app_, &frame_, check, kGetPause, outcome);
    if (outcome.lost)
        ShowErrorBox(QString(kGetLostFormat).arg(outcome.sent).arg(outcome.total).toStdString());
    else if (!outcome.aborted && check.Outstanding() > 0)
        ShowErrorBox(QString(kUnansweredFormat).arg(check.Outstanding()).arg(ReadBack::kMaxResends + 1).toStdString() +
                     check.Unanswered());
}

void CTreeBar::OnLoad() {
    CTessikCommunicator& comm = app_.GetCommunicator();
    if (comm.QueryPower() == 0) {
        ShowErrorBox(kNotPoweredText);
        return;
    }
    // What is sent is what the document holds now; the read-back's replies
    // pass through the values, which get the document's back at the end.
    CPellivarDoc& doc = app_.GetCurrentDoc();
    ReadBack check(app_.Link());
    std::vector<std::pair<SubscribedInt*, int>> kept;
    for (int s = 0; s < CPellivarDoc::kSources; ++s) {
        CLiveVideoSettings& settings = doc.GetSourceSettings(s);
        for (std::size_t i = 0; i < kVideoSettingCount; ++i) {
            const auto setting = static_cast<VideoSetting>(i);
            SubscribedInt& v = settings.Value(setting);
            check.AddValue(SettingName(s, setting), v,
                           [setting](const std::string& text) { return ShownValue(setting, text); });
            kept.emplace_back(&v, v.Value());
        }
    }
    CheckedSendOutcome outcome;
    const bool sent = RunBatch(app_, &frame_, kLoadPause, "Please wait.... Uploading data....",
                               [&] {
                                   doc.SetAllSources();
                                   return true;
                               }, outcome, kLoadMarkers);
    if (sent) outcome = CheckWhatWasSent(app_, &frame_, check, kGetPause, kLoadPause);
    else outcome.report = check.Report();
    for (const auto& [value, was] : kept) value->SetValue(was);
    if (CPageView* page = frame_.CurrentView()) page->OnInitialUpdate();
    ShowCheckedSendOutcome(outcome, "Load");
}

}  // namespace pellivar::ui
