#include "platform/win32/com.h"

#include <new>

#include "platform/win32/text.h"

namespace tavori::win32 {

ComApartment::ComApartment() {
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(hr)) {
        ThrowHresult("Starting COM on the user-interface thread failed.", hr);
    }
    // Without the impersonate level, a WMI query on real Windows can be refused; the services
    // proxy also gets the same level (management_service.cpp) in case something set process
    // security before us.
    const HRESULT security =
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(security) && security != RPC_E_TOO_LATE) {
        ::CoUninitialize();
        ThrowHresult("Setting COM security for the WMI queries failed.", security);
    }
}

ComApartment::~ComApartment() {
    ::CoUninitialize();
}

Bstr MakeBstr(std::wstring_view text) {
    Bstr made(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!made) {
        throw std::bad_alloc();
    }
    return made;
}

}  // namespace tavori::win32
