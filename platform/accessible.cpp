#include "platform/accessible.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>
#include <new>

#include "platform/window.h"

namespace tavori::win32 {

using Microsoft::WRL::ComPtr;

namespace {

// From the header, not from a library: a wrong link order cannot turn it into other bytes.
constexpr GUID kIidAccessible = __uuidof(IAccessible);
constexpr GUID kExpected{
    0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
static_assert(kIidAccessible.Data1 == kExpected.Data1 && kIidAccessible.Data2 == kExpected.Data2 &&
              kIidAccessible.Data3 == kExpected.Data3 &&
              std::equal(kExpected.Data4, kExpected.Data4 + 8, kIidAccessible.Data4));

bool IsSelf(const VARIANT& child) {
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

// The words are ASCII: the catalogue's names and the states.
HRESULT Text(std::string_view text, BSTR* out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = ::SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (*out == nullptr) {
        return E_OUTOFMEMORY;
    }
    std::copy(text.begin(), text.end(), *out);
    return S_OK;
}

#define OWN(method, words)                                                \
    HRESULT STDMETHODCALLTYPE method(VARIANT child, BSTR* out) override { \
        return Own(child)      ? Text(rows_.Words(row_).words, out)       \
               : IsSelf(child) ? CO_E_OBJNOTCONNECTED                     \
                               : standard_->method(child, out);           \
    }
#define FORWARD(method, parameters, arguments)             \
    HRESULT STDMETHODCALLTYPE method parameters override { \
        return standard_->method arguments;                \
    }

// COM interfaces have no virtual destructor: the object deletes itself in its own Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// The standard object with four answers of the row's own; a client may hold it past the window.
class RowAccessible final : public IAccessible {
  public:
    RowAccessible(ComPtr<IAccessible> standard, HWND box, AccessibleRows& rows, std::size_t row)
        : standard_(std::move(standard)), box_(box), rows_(rows), row_(row) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (iid == __uuidof(IOleWindow)) {
            return standard_->QueryInterface(iid, out);
        }
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == kIidAccessible
                   ? static_cast<IAccessible*>(this)
                   : nullptr;
        return *out != nullptr ? (AddRef(), S_OK) : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    // The row's own answers while its window lives; a gone row's are CO_E_OBJNOTCONNECTED.
    // clang-format off
    OWN(get_accName, name)
    OWN(get_accValue, value)
    OWN(get_accDescription, value)
    OWN(get_accDefaultAction, action)
    // clang-format on
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        if (!Own(child)) {
            return IsSelf(child) ? CO_E_OBJNOTCONNECTED : standard_->accDoDefaultAction(child);
        }
        Dispatcher().Dispatch([&] { rows_.DoDefaultAction(row_); });  // as a double-click
        return S_OK;
    }

    // The rest as the standard object answers it.
    // clang-format off
    FORWARD(GetTypeInfoCount, (UINT* count), (count))
    FORWARD(GetTypeInfo, (UINT index, LCID locale, ITypeInfo** info), (index, locale, info))
    FORWARD(GetIDsOfNames, (REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids),
            (iid, names, count, locale, ids))
    FORWARD(Invoke,
            (DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
             EXCEPINFO* exception, UINT* argument),
            (id, iid, locale, flags, params, result, exception, argument))
    FORWARD(get_accParent, (IDispatch** parent), (parent))
    FORWARD(get_accChildCount, (long* count), (count))
    FORWARD(get_accChild, (VARIANT child, IDispatch** out), (child, out))
    FORWARD(get_accRole, (VARIANT child, VARIANT* role), (child, role))
    FORWARD(get_accState, (VARIANT child, VARIANT* state), (child, state))
    FORWARD(get_accHelp, (VARIANT child, BSTR* help), (child, help))
    FORWARD(get_accHelpTopic, (BSTR* file, VARIANT child, long* topic), (file, child, topic))
    FORWARD(get_accKeyboardShortcut, (VARIANT child, BSTR* keys), (child, keys))
    FORWARD(get_accFocus, (VARIANT* focus), (focus))
    FORWARD(get_accSelection, (VARIANT* selection), (selection))
    FORWARD(accSelect, (long flags, VARIANT child), (flags, child))
    FORWARD(accLocation, (long* left, long* top, long* width, long* height, VARIANT child),
            (left, top, width, height, child))
    FORWARD(accNavigate, (long direction, VARIANT start, VARIANT* end), (direction, start, end))
    FORWARD(accHitTest, (long left, long top, VARIANT* child), (left, top, child))
    FORWARD(put_accName, (VARIANT child, BSTR name), (child, name))
    FORWARD(put_accValue, (VARIANT child, BSTR value), (child, value))
    // clang-format on

  private:
    // The row itself, while its window lives; the main window outlives every row.
    bool Own(const VARIANT& child) const { return IsSelf(child) && ::IsWindow(box_); }

    ComPtr<IAccessible> standard_;
    HWND box_;
    AccessibleRows& rows_;
    std::size_t row_;
    ULONG references_ = 1;
};
#pragma GCC diagnostic pop
#undef OWN
#undef FORWARD

}  // namespace

LRESULT AnswerAccessibleObject(HWND box, WPARAM wParam, AccessibleRows& rows,
                               std::size_t row) noexcept {
    ComPtr<IAccessible> standard;
    if (FAILED(::CreateStdAccessibleObject(box, OBJID_CLIENT, kIidAccessible, &standard))) {
        return 0;
    }
    ComPtr<IAccessible> own;
    own.Attach(new (std::nothrow) RowAccessible(std::move(standard), box, rows, row));
    return own ? ::LresultFromObject(kIidAccessible, wParam, own.Get()) : 0;
}

}  // namespace tavori::win32
