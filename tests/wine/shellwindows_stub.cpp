// A stand-in for Internet Explorer's ShellWindows collection, for the end-to-end tests of
// Formix.exe under Wine: a local COM server of its own class, which the test registers as the
// collection's emulation (TreatAs under the collection's class identifier: Wine's desktop process
// serves a ShellWindows of its own under that identifier), and that lists one browser window and serves its documents, frames and bodies by
// the late-bound names Formix uses: "hwnd", "Document", "Frames", "length", item k of the frames,
// "body", "innerhtml".
//
//   shellwindows_stub.exe FOLDER [-Embedding]
//
// FOLDER describes the page and receives what is written, read afresh for every collection:
//   browser          the decimal window handle of the one browser window
//   top.html         the top document's body (UTF-8)
//   frame0.html ...  one file per frame, numbered from 0
//   delay            if present, milliseconds each read of a body takes (a slow page)
// A body assigned through "innerhtml" is written to out-top.html or out-frameK.html, and every
// read and write is logged, one line each, to log.txt. The server ends a few seconds after the
// last object is released.
#include <exdisp.h>
#include <ole2.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The stand-in's own class: {5A0F0F31-6C1B-4D3E-9A57-0F0D1E2C3B4A}.
constexpr CLSID kStandIn = {0x5A0F0F31, 0x6C1B, 0x4D3E, {0x9A, 0x57, 0x0F, 0x0D, 0x1E, 0x2C, 0x3B, 0x4A}};
constexpr IID kIShellWindows = {0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
constexpr int kTop = -1;
constexpr UINT_PTR kIdleTimer = 1;

std::string gFolder;
LONG gObjects = 0;
DWORD gLastRelease = 0;

std::string readFile(const std::string& name, bool* found = nullptr) {
  std::ifstream in(gFolder + "\\" + name, std::ios::binary);
  if (found != nullptr) *found = static_cast<bool>(in);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void log(const std::string& line) {
  std::ofstream out(gFolder + "\\log.txt", std::ios::binary | std::ios::app);
  out << line << "\n";
}

BSTR toBstr(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  BSTR b = SysAllocStringLen(nullptr, static_cast<UINT>(n));
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), b, n);
  return b;
}

std::string fromBstr(BSTR b) {
  const int length = static_cast<int>(SysStringLen(b));
  const int n = WideCharToMultiByte(CP_UTF8, 0, b, length, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, b, length, s.data(), n, nullptr, nullptr);
  return s;
}

std::string documentName(int frame) { return frame == kTop ? "top" : "frame" + std::to_string(frame); }

int frameCount() {
  int n = 0;
  for (bool found = true; found; ++n) readFile("frame" + std::to_string(n) + ".html", &found);
  return n - 1;
}

// Reference counting shared by every object of the server.
template <typename Base>
class Counted : public Base {
 public:
  Counted() { InterlockedIncrement(&gObjects); }
  virtual ~Counted() {
    InterlockedDecrement(&gObjects);
    gLastRelease = GetTickCount();
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG n = InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
  }

 private:
  LONG refs_ = 1;
};

// One object of the page: the browser window, a document, the frames collection, a frame's
// window, or a body. Its members are found by name, case-insensitively, as late binding does.
class Node : public Counted<IDispatch> {
 public:
  enum Kind { Browser, Document, Frames, FrameWindow, Body };
  Node(Kind kind, int frame) : kind_(kind), frame_(frame) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      AddRef();
      *out = static_cast<IDispatch*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    static const wchar_t* const kNames[] = {L"hwnd", L"Document", L"Frames", L"length", L"body", L"innerhtml"};
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    for (DISPID id = 0; id < 6; ++id) {
      if (count > 0 && lstrcmpiW(names[0], kNames[id]) == 0) {
        ids[0] = id + 1;
        return S_OK;
      }
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    const auto object = [&](Node* node) {
      if (result == nullptr) {
        node->Release();
        return S_OK;
      }
      VariantInit(result);
      result->vt = VT_DISPATCH;
      result->pdispVal = node;
      return S_OK;
    };
    switch (id) {
      case 1:  // hwnd
        if (kind_ != Browser || result == nullptr) break;
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = std::stol(readFile("browser"));
        return S_OK;
      case 2:  // Document
        if (kind_ == Browser) return object(new Node(Document, kTop));
        if (kind_ == FrameWindow) return object(new Node(Document, frame_));
        break;
      case 3:  // Frames
        if (kind_ == Document && frame_ == kTop) return object(new Node(Frames, kTop));
        break;
      case 4:  // length
        if (kind_ != Frames || result == nullptr) break;
        log("frames length");
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = frameCount();
        return S_OK;
      case 5:  // body
        if (kind_ == Document) return object(new Node(Body, frame_));
        break;
      case 6:  // innerhtml
        if (kind_ != Body) break;
        if (flags & DISPATCH_PROPERTYPUT) {
          if (params == nullptr || params->cArgs != 1 || params->rgvarg[0].vt != VT_BSTR) return DISP_E_TYPEMISMATCH;
          std::ofstream out(gFolder + "\\out-" + documentName(frame_) + ".html", std::ios::binary);
          out << fromBstr(params->rgvarg[0].bstrVal);
          log("write " + documentName(frame_));
          return S_OK;
        }
        if (result == nullptr) break;
        log("read " + documentName(frame_));
        if (bool slow = false; !readFile("delay", &slow).empty() && slow) Sleep(static_cast<DWORD>(std::stoul(readFile("delay"))));
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = toBstr(readFile(documentName(frame_) + ".html"));
        return S_OK;
      case DISPID_VALUE: {  // frames(k)
        if (kind_ != Frames || params == nullptr || params->cArgs != 1) break;
        VARIANT index;
        VariantInit(&index);
        if (FAILED(VariantChangeType(&index, &params->rgvarg[0], 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        if (index.lVal < 0 || index.lVal >= frameCount()) return DISP_E_BADINDEX;
        return object(new Node(FrameWindow, index.lVal));
      }
      default:
        break;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  Kind kind_;
  int frame_;
};

// The enumerator a For Each over the collection uses: one browser window.
class Windows : public Counted<IEnumVARIANT> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IEnumVARIANT) {
      AddRef();
      *out = static_cast<IEnumVARIANT*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
    ULONG n = 0;
    if (count > 0 && next_ == 0) {
      VariantInit(&items[0]);
      items[0].vt = VT_DISPATCH;
      items[0].pdispVal = new Node(Node::Browser, kTop);
      n = 1;
      ++next_;
    }
    if (fetched != nullptr) *fetched = n;
    return n == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    next_ += count;
    return next_ <= 1 ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

 private:
  ULONG next_ = 0;
};

// The collection itself, behind the IShellWindows interface it is asked for.
class ShellWindows : public Counted<IShellWindows> {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIShellWindows) {
      AddRef();
      *out = static_cast<IShellWindows*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    if (id != DISPID_NEWENUM || result == nullptr) return DISP_E_MEMBERNOTFOUND;
    VariantInit(result);
    result->vt = VT_UNKNOWN;
    return _NewEnum(&result->punkVal);
  }
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    *count = 1;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Item(VARIANT, IDispatch**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE _NewEnum(IUnknown** enumerator) override {
    log("enumerate");
    *enumerator = static_cast<IEnumVARIANT*>(new Windows);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Register(IDispatch*, LONG, int, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE RegisterPending(LONG, VARIANT*, VARIANT*, int, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revoke(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnNavigate(LONG, VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OnActivated(LONG, VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindWindowSW(VARIANT*, VARIANT*, int, LONG*, int, IDispatch**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE OnCreated(LONG, IUnknown*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ProcessAttachDetach(VARIANT_BOOL) override { return E_NOTIMPL; }
};

class Factory : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    log("create");
    auto* windows = new ShellWindows;
    const HRESULT hr = windows->QueryInterface(iid, out);
    windows->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  gFolder = argv[1];
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  static Factory factory;
  DWORD cookie = 0;
  if (FAILED(CoRegisterClassObject(kStandIn, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie))) {
    log("register failed");
    return 1;
  }
  log("server up");
  gLastRelease = GetTickCount();
  SetTimer(nullptr, kIdleTimer, 500, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && gObjects == 0 && GetTickCount() - gLastRelease > 5000) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CoRevokeClassObject(cookie);
  CoUninitialize();
  return 0;
}
