#include "platform/win32/management_service.h"

#include <wbemidl.h>
#include <wrl/client.h>

#include <string>

#include "platform/error.h"
#include "platform/win32/com.h"
#include "platform/win32/text.h"

namespace tavori::win32 {

using Microsoft::WRL::ComPtr;

namespace {

constexpr std::wstring_view kNamespace = L"ROOT\\CIMV2";

// The system's words for an HRESULT, or WMI's own for its WBEM_E_... codes, which FormatMessage
// does not know.
std::string WmiErrorText(HRESULT hr) {
    if (std::string text = SystemErrorText(static_cast<DWORD>(hr)); !text.empty()) {
        return text;
    }
    ComPtr<IWbemStatusCodeText> status;
    if (SUCCEEDED(::CoCreateInstance(CLSID_WbemStatusCodeText, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(&status)))) {
        BSTR text = nullptr;
        if (SUCCEEDED(status->GetErrorCodeText(hr, 0, 0, &text))) {
            const Bstr owned(text);
            if (owned) {
                return MessageText(std::wstring_view(text, ::SysStringLen(text)));
            }
        }
    }
    return {};
}

void Check(HRESULT hr, const char* step, std::string_view query) {
    if (SUCCEEDED(hr)) {
        return;
    }
    std::string what =
        "Asking Windows Management Instrumentation (WMI) which processes are running failed: ";
    what += step;
    what += ".\nQuery: ";
    what += query;
    throw Error(std::move(what), static_cast<std::uint32_t>(hr), WmiErrorText(hr), true,
                "Make sure the Windows Management Instrumentation service (Winmgmt) is running "
                "and that your account may query it, then start TAVORI again.");
}

}  // namespace

std::size_t WmiManagementService::CountQueryResults(std::string_view query) {
    // A fresh connection on every call: nothing is kept between probes.
    ComPtr<IWbemLocator> locator;
    Check(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&locator)),
          "creating the WMI locator failed", query);

    const Bstr resource = MakeBstr(kNamespace);
    ComPtr<IWbemServices> services;
    Check(locator->ConnectServer(resource.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                 &services),
          "connecting to ROOT\\CIMV2 failed", query);
    Check(::CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                              RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                              EOAC_NONE),
          "setting the impersonation level on the WMI connection failed", query);

    const Bstr language = MakeBstr(L"WQL");
    const Bstr text = MakeBstr(Widen(query));
    ComPtr<IEnumWbemClassObject> results;
    Check(services->ExecQuery(language.Get(), text.Get(),
                              WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                              &results),
          "the query failed", query);

    std::size_t count = 0;
    for (;;) {
        ComPtr<IWbemClassObject> object;
        ULONG returned = 0;
        const HRESULT hr = results->Next(static_cast<LONG>(WBEM_INFINITE), 1,
                                         object.ReleaseAndGetAddressOf(), &returned);
        count += returned;
        if (hr == WBEM_S_FALSE) {
            break;  // no more objects
        }
        Check(hr, "reading the query's results failed", query);
    }
    return count;
}

}  // namespace tavori::win32
