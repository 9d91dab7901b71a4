#pragma once

#include <cassert>

#include "platform/window/Controls.h"

namespace corvid::ui {

// A dialog's member for one of its controls. It is bound to the adapter's
// control by the data exchange and used like the control itself; nothing
// may use it before that.
template <class ControlInterface>
class BoundControl {
  public:
    void Attach(ControlInterface* control) { m_control = control; }
    [[nodiscard]] bool IsBound() const { return m_control != nullptr; }

    ControlInterface* operator->() const {
        assert(m_control != nullptr);
        return m_control;
    }
    ControlInterface& operator*() const {
        assert(m_control != nullptr);
        return *m_control;
    }

  private:
    ControlInterface* m_control = nullptr;
};

using CButton = BoundControl<window::Button>;
using CEdit = BoundControl<window::Edit>;
using CStatic = BoundControl<window::StaticText>;
using CScrollBar = BoundControl<window::ScrollBar>;
using CSpinButtonCtrl = BoundControl<window::UpDown>;
using CListCtrl = BoundControl<window::ListView>;

}  // namespace corvid::ui
