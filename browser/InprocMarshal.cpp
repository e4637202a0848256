#include "browser/InprocMarshal.h"

#include "browser/ComObject.h"

namespace vt::browser {
namespace {

// {6B1F4C2E-3D5A-4E7B-9C81-2F0A5D6E7B90}
constexpr CLSID kUnmarshalerClsid = {0x6b1f4c2e, 0x3d5a, 0x4e7b, {0x9c, 0x81, 0x2f, 0x0a, 0x5d, 0x6e, 0x7b, 0x90}};

// The stream holds the process and thread of the object's apartment and one counted reference.
HRESULT ReadReference(IStream* stream, ComPtr<IUnknown>& object, bool sameThread) {
  DWORD owner[2] = {};
  ULONG read = 0;
  object.reset();
  if (FAILED(stream->Read(owner, sizeof(owner), &read)) || read != sizeof(owner)) return E_FAIL;
  if (owner[0] != ::GetCurrentProcessId()) return CO_E_NOT_SUPPORTED;
  if (FAILED(stream->Read(object.put(), sizeof(IUnknown*), &read)) || read != sizeof(IUnknown*) || !object)
    return E_FAIL;
  if (sameThread && owner[1] != ::GetCurrentThreadId()) {
    object.reset();  // no proxies here: the object stays in its apartment
    return RPC_E_WRONG_THREAD;
  }
  return S_OK;
}

class TUnmarshaler : public ComObject<IMarshalStub> {
public:
  HRESULT STDMETHODCALLTYPE UnmarshalInterface(IStream* stream, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    ComPtr<IUnknown> object;
    HRESULT hr = ReadReference(stream, object, true);
    if (FAILED(hr)) return hr;
    return object->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE ReleaseMarshalData(IStream* stream) override { return InprocReleaseMarshalData(stream); }
  HRESULT STDMETHODCALLTYPE DisconnectObject(DWORD) override { return S_OK; }
};


}  // namespace

const CLSID& InprocUnmarshalerClsid() { return kUnmarshalerClsid; }

HRESULT EnsureInprocUnmarshaler() {
  thread_local bool registered = false;
  if (registered) return S_OK;
  DWORD cookie = 0;
  auto factory = MakeCom<TClassFactory<TUnmarshaler>>();
  HRESULT hr = ::CoRegisterClassObject(kUnmarshalerClsid, static_cast<IClassFactory*>(factory.get()),
                                       CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
  registered = SUCCEEDED(hr);
  return hr;
}

HRESULT InprocMarshalInterface(IUnknown* object, IStream* stream, REFIID iid) {
  ComPtr<IUnknown> reference;
  HRESULT hr = object->QueryInterface(iid, reference.put_void());
  if (FAILED(hr)) return hr;
  DWORD owner[2] = {::GetCurrentProcessId(), ::GetCurrentThreadId()};
  IUnknown* counted = reference.get();
  if (FAILED(hr = stream->Write(owner, sizeof(owner), nullptr)) ||
      FAILED(hr = stream->Write(&counted, sizeof(counted), nullptr)))
    return hr;
  reference.Detach();  // the stream holds the reference now
  return S_OK;
}

HRESULT InprocReleaseMarshalData(IStream* stream) {
  ComPtr<IUnknown> object;  // the stream's reference, let go of here
  return ReadReference(stream, object, false);
}

}  // namespace vt::browser
