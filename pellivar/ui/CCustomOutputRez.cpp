#include "pellivar/ui/CCustomOutputRez.h"

#include "pellivar/ValueEntry.h"
#include "pellivar/ui/CLoadStdOutputFormatDlg.h"
#include "pellivar/ui/CPellivarApp.h"
#include "pellivar/ui/CSliderPInt.h"
#include "pellivar/ui/MessageBoxes.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace pellivar::ui {

namespace {

using F = CustomOutputResolutionSettings::Field;

struct ControlSpec {
    F field;
    int id;
    const char* caption;
    const char* group;
};

constexpr ControlSpec kControls[] = {
    {F::TotalHSize, 1057, "Total", "Horizontal Size"},   {F::ActiveHSize, 1065, "Active", "Horizontal Size"},
    {F::TotalVSize, 1073, "Total", "Vertical Size"},     {F::ActiveVSize, 1074, "Active", "Vertical Size"},
    {F::HSyncStart, 1075, "Start", "Horizontal Sync"},   {F::HSyncEnd, 1076, "End", "Horizontal Sync"},
    {F::VSyncStart, 1077, "Start", "Vertical Sync"},     {F::VSyncEnd, 1078, "End", "Vertical Sync"},
    {F::ActiveF1Size, 1079, "Active Size", "Field"},     {F::BlankF1Size, 1080, "Blank Size", "Field"},
    {F::OffsetF1F2, 1081, "Offset", "Field"},
};

int toInt(std::int64_t v) {
    return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

std::string CCustomOutputRez::Name(CustomOutputResolutionSettings::Field field) {
    for (const ControlSpec& c : kControls)
        if (c.field == field) return std::string(kTitle) + ", " + c.group + " " + c.caption;
    return CustomOutputResolutionSettings::kKeys[static_cast<std::size_t>(field)];
}

std::string CCustomOutputRez::PixelRateName() { return std::string(kTitle) + ", " + kPixelRateLabel; }

CCustomOutputRez::CCustomOutputRez(CPellivarApp& app, QWidget* parent)
    : CPageView(app, parent), refreshControl_(new CSliderPInt("Vertical Refresh Rate (Hz)", this)),
      pixelEdit_(new QLineEdit(this)), usePixel_(new QCheckBox("Use Pixel Rate", this)) {
    setObjectName(kTitle);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(new QLabel(QString("<b>%1</b>").arg(kTitle), this));
    auto* grid = new QGridLayout();
    outer->addLayout(grid);
    QGroupBox* groups[4] = {};
    const char* names[4] = {"Horizontal Size", "Vertical Size", "Horizontal Sync", "Vertical Sync"};
    for (int g = 0; g < 4; ++g) {
        groups[g] = new QGroupBox(names[g], this);
        new QHBoxLayout(groups[g]);
        grid->addWidget(groups[g], g / 2, g % 2);
    }
    auto* field = new QGroupBox("Field", this);
    new QHBoxLayout(field);
    grid->addWidget(field, 2, 0, 1, 2);
    for (const ControlSpec& c : kControls) {
        QGroupBox* host = field;
        for (int g = 0; g < 4; ++g)
            if (std::string(names[g]) == c.group) host = groups[g];
        auto* control = new CSliderPInt(c.caption, host);
        control->setObjectName(QString("control%1").arg(c.id));
        control->SetLive(false);
        host->layout()->addWidget(control);
        controls_[c.field] = control;
        connect(control, &CSliderPInt::valueChanged, this, [this] {
            app_.GetCurrentDoc().SetModifiedFlag();
            Recalc();
        });
    }
    for (F f : {F::ActiveF1Size, F::BlankF1Size, F::OffsetF1F2}) controls_[f]->setEnabled(false);

    auto* rates = new QGroupBox("Rates", this);
    auto* rl = new QGridLayout(rates);
    refreshControl_->setObjectName("control1068");
    refreshControl_->SetLive(false);
    refreshControl_->BindRaw(refresh_, 24, 85, nullptr, CommandSpec());
    connect(refreshControl_, &CSliderPInt::valueChanged, this, [this] { Recalc(); });
    rl->addWidget(refreshControl_, 0, 0, 2, 1);
    rl->addWidget(new QLabel(kPixelRateLabel, rates), 0, 1);
    pixelEdit_->setObjectName("edit1067");
    rl->addWidget(pixelEdit_, 0, 2);
    usePixel_->setObjectName("check1100");
    usePixel_->setChecked(true);
    rl->addWidget(usePixel_, 1, 1);
    auto* load = new QPushButton("Load Standard", rates);
    load->setObjectName("Load Standard");
    auto* help = new QPushButton("?", rates);
    help->setObjectName("?");
    rl->addWidget(load, 1, 2);
    rl->addWidget(help, 1, 3);
    grid->addWidget(rates, 3, 0, 1, 2);
    outer->addStretch(1);

    // Marked modified by the recalculation when the rate (or what follows
    // from it) changed; leaving the field unchanged changes nothing.
    connect(pixelEdit_, &QLineEdit::editingFinished, this, [this] { Recalc(Cause::Edit); });
    connect(usePixel_, &QCheckBox::toggled, this, [this] {
        ApplyMode();
        Recalc();
    });
    connect(load, &QPushButton::clicked, this, &CCustomOutputRez::OnLoadStandard);
    connect(help, &QPushButton::clicked, this, [this] {
        QMessageBox::information(this, "Pellivar", QString("%1\n\n%2").arg(kHelpText1, kHelpText2));
    });
    ApplyMode();
}

CCustomOutputRez::~CCustomOutputRez() {
    for (auto* item : {highItem_.get(), lowItem_.get()}) {
        if (item == nullptr) continue;
        item->Detach();
        app_.GetCommunicator().Unsubscribe(item);
    }
}

void CCustomOutputRez::ApplyMode() {
    pixelEdit_->setEnabled(usePixel_->isChecked());
    refreshControl_->setEnabled(!usePixel_->isChecked());
}

void CCustomOutputRez::Bind() {
    CustomOutputResolutionSettings& res = app_.GetCurrentDoc().GetOutputResolution();
    for (const ControlSpec& c : kControls) {
        CSliderPInt* control = controls_[c.field];
        const bool first = control->Command().Prefix().empty();
        control->Bind(res.Value(c.field), first ? 0 : control->Minimum(), first ? 5000 : control->Maximum());
    }
}

void CCustomOutputRez::OnInitialUpdate() {
    CustomOutputResolutionSettings& res = app_.GetCurrentDoc().GetOutputResolution();
    if (!subscribed_) {
        subscribed_ = true;
        res.SubscribeReplies();
        highItem_ = std::make_shared<SHItem>(OutputTiming::kHighKey, static_cast<ReplyWindow*>(this));
        lowItem_ = std::make_shared<SHItem>(OutputTiming::kLowKey, static_cast<ReplyWindow*>(this));
        app_.GetCommunicator().Subscribe(highItem_);
        app_.GetCommunicator().Subscribe(lowItem_);
    }
    Bind();
    ShowPixelRate();
    Recalc(Cause::Show);
}

void CCustomOutputRez::ShowPixelRate() {
    pixelEdit_->setText(QString::number(app_.GetCurrentDoc().GetOutputResolution().PixelRate()));
}

bool CCustomOutputRez::StorePixelRate() {
    CustomOutputResolutionSettings& res = app_.GetCurrentDoc().GetOutputResolution();
    const auto v = ValueEntry::ParseInteger(pixelEdit_->text().toStdString());
    if (!v || toInt(*v) == res.PixelRate()) return false;
    res.SetPixelRate(toInt(*v));
    return true;
}

namespace {

// Everything of the output resolution the page may change.
std::array<int, CustomOutputResolutionSettings::kFieldCount + 1> Snapshot(CustomOutputResolutionSettings& res) {
    std::array<int, CustomOutputResolutionSettings::kFieldCount + 1> s{};
    for (int f = 0; f < CustomOutputResolutionSettings::kFieldCount; ++f) s[static_cast<std::size_t>(f)] = res.Value(static_cast<F>(f)).Value();
    s.back() = res.PixelRate();
    return s;
}

}  // namespace

void CCustomOutputRez::Recalc(Cause cause) {
    if (recalculating_) return;
    recalculating_ = true;
    CPellivarDoc& doc = app_.GetCurrentDoc();
    CustomOutputResolutionSettings& res = doc.GetOutputResolution();
    const auto before = Snapshot(res);
    const bool edit = cause == Cause::Edit;
    if (edit) StorePixelRate();
    OutputTiming::Input in;
    in.totalH = res.Value(F::TotalHSize).Value();
    in.totalV = res.Value(F::TotalVSize).Value();
    in.activeH = res.Value(F::ActiveHSize).Value();
    in.activeV = res.Value(F::ActiveVSize).Value();
    in.hSyncStart = res.Value(F::HSyncStart).Value();
    in.hSyncEnd = res.Value(F::HSyncEnd).Value();
    in.vSyncStart = res.Value(F::VSyncStart).Value();
    in.vSyncEnd = res.Value(F::VSyncEnd).Value();
    in.pixelRate = res.PixelRate();
    in.refresh = refresh_;
    in.pixelMode = usePixel_->isChecked();
    const OutputTiming::Result r = OutputTiming::Recalc(in);

    // Shown, a range also holds the value as it is, so nothing is clamped.
    const auto fit = [edit](const OutputTiming::Range& rg, int v) {
        return edit ? rg : OutputTiming::Range{std::min(rg.minimum, v), std::max(rg.maximum, v)};
    };
    if (edit) {
        res.Value(F::ActiveF1Size).SetValue(r.f1Active);
        res.Value(F::BlankF1Size).SetValue(r.f1Blank);
        res.Value(F::OffsetF1F2).SetValue(r.offset);
        res.SetPixelRate(toInt(r.pixelRate));
        refresh_ = r.refresh;
    } else {
        refresh_ = OutputTiming::RefreshOf(res.PixelRate(), in.totalH, in.totalV, 0);
    }
    if (r.refreshRange) {
        const OutputTiming::Range rr = fit(*r.refreshRange, refresh_);
        refreshControl_->SetRange(rr.minimum, rr.maximum);
    }
    auto range = [&](F f, const OutputTiming::Range& rg) {
        const OutputTiming::Range shown = fit(rg, res.Value(f).Value());
        controls_[f]->SetRange(shown.minimum, shown.maximum);
    };
    if (r.totalH) range(F::TotalHSize, *r.totalH);
    if (r.totalV) range(F::TotalVSize, *r.totalV);
    range(F::ActiveHSize, r.activeH);
    range(F::ActiveVSize, r.activeV);
    range(F::HSyncStart, r.hSyncStart);
    range(F::HSyncEnd, r.hSyncEnd);
    range(F::VSyncStart, r.vSyncStart);
    range(F::VSyncEnd, r.vSyncEnd);
    // The field values follow the active and total sizes; no range applies.
    for (F f : {F::ActiveF1Size, F::BlankF1Size, F::OffsetF1F2}) {
        const int v = res.Value(f).Value();
        controls_[f]->SetRange(std::min(0, v), std::max(5000, v));
    }
    ShowPixelRate();
    for (CSliderPInt* c : controls_) c->Refresh();
    refreshControl_->Refresh();
    if (edit && Snapshot(res) != before) doc.SetModifiedFlag();
    recalculating_ = false;
}

int CCustomOutputRez::SendAll() {
    // A pixel rate typed and not yet taken is an edit like any other.
    const auto typed = ValueEntry::ParseInteger(pixelEdit_->text().toStdString());
    if (typed && toInt(*typed) != app_.GetCurrentDoc().GetOutputResolution().PixelRate()) Recalc(Cause::Edit);
    const std::int64_t p = app_.GetCurrentDoc().GetOutputResolution().PixelRate();
    if (p > OutputTiming::kMaxPixelRate) {
        ShowErrorBox(kTooFastText);
        return 0;
    }
    for (CSliderPInt* c : controls_) c->SendSetNow();
    app_.UpdateUnitWithString(OutputTiming::HighHalfCommand(p));
    app_.UpdateUnitWithString(OutputTiming::LowHalfCommand(p));
    return 1;
}

int CCustomOutputRez::QueryAll() {
    for (CSliderPInt* c : controls_) c->QueryNow();
    app_.UpdateUnitWithString(OutputTiming::kHighQuery);
    app_.UpdateUnitWithString(OutputTiming::kLowQuery);
    return 1;
}

void CCustomOutputRez::OnControlRequestCompleted(const std::string& reply) {
    CustomOutputResolutionSettings& res = app_.GetCurrentDoc().GetOutputResolution();
    std::int64_t p = static_cast<std::uint32_t>(res.PixelRate());
    if (!OutputTiming::ApplyHalfReply(reply, p)) return;
    res.SetPixelRate(toInt(p));
    ShowPixelRate();
    Recalc(Cause::Show);
}

void CCustomOutputRez::LoadStandard(const std::array<int, 13>& row) {
    CustomOutputResolutionSettings& res = app_.GetCurrentDoc().GetOutputResolution();
    res.LoadFormat(row);
    // Wide ranges first, so the recalculation starts from the row as it is.
    for (CSliderPInt* c : controls_) c->SetRange(std::numeric_limits<int>::min() / 2, std::numeric_limits<int>::max() / 2);
    refresh_ = OutputTiming::RefreshOf(res.PixelRate(), res.Value(F::TotalHSize).Value(), res.Value(F::TotalVSize).Value(),
                                       refresh_);
    refreshControl_->SetRange(0, std::numeric_limits<int>::max() / 2);
    ShowPixelRate();
    app_.GetCurrentDoc().SetModifiedFlag();
    Recalc();
}

void CCustomOutputRez::OnLoadStandard() {
    CLoadStdOutputFormatDlg dialog(this);
    if (dialog.exec() != QDialog::Accepted) return;
    LoadStandard(dialog.GetFormat().Row());
}

}  // namespace pellivar::ui
