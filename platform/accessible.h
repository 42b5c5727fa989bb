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

// The answer to a row's WM_GETOBJECT for OBJID_CLIENT: the system's standard object for the
// control with the row's name, value, description and default action in place of its own; 0
// when it cannot be made, and the default processing answers.
LRESULT AnswerAccessibleObject(HWND box, WPARAM wParam, AccessibleRows& rows,
                               std::size_t row) noexcept;

}  // namespace tavori::win32
