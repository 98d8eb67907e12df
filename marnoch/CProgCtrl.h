#pragma once

namespace marnoch {

// Where a transfer reports its progress: the dialog's progress bar, or a
// recorder in tests.
class CProgCtrl {
public:
    virtual ~CProgCtrl() = default;
    virtual void SetRange(int low, int high) = 0;
    virtual void SetPos(int position) = 0;
    virtual void Show(bool visible) = 0;
};

// A sink that ignores everything.
class NullProgCtrl final : public CProgCtrl {
public:
    void SetRange(int, int) override {}
    void SetPos(int) override {}
    void Show(bool) override {}
};

}  // namespace marnoch
