#include "tools/bench/plain_probe.h"

#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <cwchar>

int PlainWmiProcessCount(const wchar_t* imageName) {
    IWbemLocator* locator = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(&locator)))) {
        return -1;
    }
    int count = -1;
    BSTR resource = SysAllocString(L"ROOT\\CIMV2");
    IWbemServices* services = nullptr;
    if (SUCCEEDED(locator->ConnectServer(resource, nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                         &services))) {
        CoSetProxyBlanket(services, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                          RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
        wchar_t text[256];
        std::swprintf(text, 256, L"SELECT Name FROM Win32_Process WHERE Name='%ls'", imageName);
        BSTR language = SysAllocString(L"WQL");
        BSTR query = SysAllocString(text);
        IEnumWbemClassObject* results = nullptr;
        if (SUCCEEDED(services->ExecQuery(language, query,
                                          WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                          nullptr, &results))) {
            count = 0;
            for (;;) {
                IWbemClassObject* object = nullptr;
                ULONG returned = 0;
                const HRESULT hr =
                    results->Next(static_cast<LONG>(WBEM_INFINITE), 1, &object, &returned);
                if (object != nullptr) {
                    object->Release();
                }
                count += static_cast<int>(returned);
                if (hr != WBEM_S_NO_ERROR) {
                    if (FAILED(hr)) {
                        count = -1;
                    }
                    break;
                }
            }
            results->Release();
        }
        SysFreeString(query);
        SysFreeString(language);
        services->Release();
    }
    SysFreeString(resource);
    locator->Release();
    return count;
}
