// Marshaling that only works inside this process: oleacc's LresultFromObject marshals the
// document for WM_HTML_GETOBJECT, and ObjectFromLresult in the same process (the control, which
// lives in the browser) gets the very same object back. The browser's interfaces have no proxies
// registered here, so standard marshaling is not available to them. Another thread of the process
// gets RPC_E_WRONG_THREAD: without proxies the object cannot leave its apartment.
#pragma once
#include <windows.h>
#include <objidl.h>

namespace vt::browser {

// Registers the class that unmarshals on the calling thread; repeated calls do nothing.
HRESULT EnsureInprocUnmarshaler();
const CLSID& InprocUnmarshalerClsid();
// IMarshal::MarshalInterface and ReleaseMarshalData of an object that marshals itself this way.
HRESULT InprocMarshalInterface(IUnknown* object, IStream* stream, REFIID iid);
HRESULT InprocReleaseMarshalData(IStream* stream);
constexpr DWORD kInprocMarshalSize = 2 * sizeof(DWORD) + sizeof(void*);

}  // namespace vt::browser
