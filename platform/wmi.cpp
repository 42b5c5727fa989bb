#include "platform/wmi.h"

#include <windows.h>
#include <wbemidl.h>
#include <wrl/client.h>

#include <new>
#include <string>

#include "core/catalogue.h"
#include "core/error.h"
#include "core/row_state.h"
#include "platform/handles.h"
#include "platform/system_error.h"
#include "platform/text.h"

namespace tavori::win32 {

using Microsoft::WRL::ComPtr;

namespace {

// The longest a probe waits for WMI (a later answer is none); COM's modal loop runs meanwhile.
constexpr LONG kMostWaitMs = 2000;
static_assert(kWbemNoMore == WBEM_S_FALSE);

UniqueBstr MakeBstr(std::wstring_view text) {
    UniqueBstr made(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
    if (!made) {
        throw std::bad_alloc();
    }
    return made;
}

// The system's words for an HRESULT, or WMI's own for the WBEM_E_... codes.
std::string WmiErrorText(HRESULT hr) {
    if (std::string text = SystemErrorText(static_cast<DWORD>(hr)); !text.empty()) {
        return text;
    }
    ComPtr<IWbemStatusCodeText> status;
    BSTR text = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_WbemStatusCodeText, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&status))) ||
        FAILED(status->GetErrorCodeText(hr, 0, 0, &text))) {
        return {};
    }
    const UniqueBstr owned(text);
    return Narrow(std::wstring_view(text, ::SysStringLen(text)));
}

void Check(HRESULT hr, const char* step, const std::string& query) {
    if (FAILED(hr)) {
        throw Error(
            "Asking Windows Management Instrumentation (WMI) which processes are running failed: " +
                std::string(step) + ".\nQuery: " + query,
            "Make sure the Windows Management Instrumentation service (Winmgmt) is running and "
            "that your account may query it, then start TAVORI again.",
            Error::Code::Hresult, static_cast<std::uint32_t>(hr), WmiErrorText(hr));
    }
}

}  // namespace

ComApartment::ComApartment() {
    const HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    if (FAILED(hr)) {
        ThrowSystemError("Starting COM on the user-interface thread failed.", hr,
                         Error::Code::Hresult);
    }
    // WMI may refuse a query below the impersonate level (also set on each connection below).
    const HRESULT security =
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(security) && security != RPC_E_TOO_LATE) {
        ::CoUninitialize();
        ThrowSystemError("Setting COM security for the WMI queries failed.", security,
                         Error::Code::Hresult);
    }
}

ComApartment::~ComApartment() {
    ::CoUninitialize();
}

ProbeAnswer IsProcessRunning(std::string_view imageName) {
    const std::string query = BuildProcessQuery(imageName);
    // A fresh connection on every call: nothing is kept between probes.
    ComPtr<IWbemLocator> locator;
    Check(::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                             IID_PPV_ARGS(&locator)),
          "creating the WMI locator", query);
    ComPtr<IWbemServices> services;
    Check(locator->ConnectServer(MakeBstr(L"ROOT\\CIMV2").get(), nullptr, nullptr, nullptr,
                                 WBEM_FLAG_CONNECT_USE_MAX_WAIT, nullptr, nullptr, &services),
          "connecting to ROOT\\CIMV2", query);
    Check(::CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                              RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                              EOAC_NONE),
          "setting the impersonation level on the WMI connection", query);
    ComPtr<IEnumWbemClassObject> results;
    Check(services->ExecQuery(MakeBstr(L"WQL").get(), MakeBstr(Widen(query)).get(),
                              WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                              &results),
          "running the query", query);
    // The first result is the answer: an object is a process found, the results' end is none.
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    const HRESULT hr = results->Next(kMostWaitMs, 1, &object, &returned);
    const ProbeAnswer answer = ReadProbeResult(static_cast<std::uint32_t>(hr), returned);
    if (answer == ProbeAnswer::Failed) {
        Check(hr, "reading the query's results", query);
    }
    return answer;
}

}  // namespace tavori::win32
