#pragma once

#include <windows.h>

#include <cstddef>

#include "core/row_state.h"

namespace tavori::win32 {

// The rows as assistive technology sees them: what each says, and its default action.
class AccessibleRows {
  public:
    virtual RowWords Words(std::size_t row) const = 0;
    virtual void DoDefaultAction(std::size_t row) = 0;

  protected:
    ~AccessibleRows() = default;
};

// A row's WM_GETOBJECT answer for OBJID_CLIENT: the control's standard object with the row's
// name, value, description and default action; 0, for the default processing, if none is made.
LRESULT AnswerAccessibleObject(HWND box, WPARAM wParam, AccessibleRows& rows,
                               std::size_t row) noexcept;

}  // namespace tavori::win32
