#include "platform/windows/ie_documents.h"

#include <oaidl.h>
#include <ole2.h>
#include <windows.h>

#include <utility>

#include "platform/windows/win32_text.h"

namespace formix::platform::win32 {
namespace {

// The ShellWindows collection and the interface it is asked for.
constexpr CLSID kShellWindowsClass = {0x9BA05972, 0xF6A8, 0x11CF, {0xA4, 0x42, 0x00, 0xA0, 0xC9, 0x0A, 0x8F, 0x39}};
constexpr IID kShellWindowsInterface = {0x85CB6900, 0x4D95, 0x11CF, {0x96, 0x0C, 0x00, 0x80, 0xC7, 0xF4, 0xEE, 0x85}};
constexpr int kNoFrame = ports::HtmlDocuments::kTopDocument;

// An owned COM reference.
template <typename T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(T* p) : p_(p) {}
  Ref(Ref&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }
  ~Ref() {
    if (p_ != nullptr) p_->Release();
  }
  T* get() const { return p_; }
  T** out() { return &p_; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

// An owned VARIANT.
class Variant {
 public:
  Variant() { VariantInit(&v); }
  ~Variant() { VariantClear(&v); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT v;
};

// Calls member `name` of `object` (with at most one argument); false when the object has no such
// member or the call fails.
bool call(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* argument, Variant& result) {
  if (object == nullptr) return false;
  DISPID id = DISPID_VALUE;
  if (name != nullptr) {
    auto* n = const_cast<LPOLESTR>(name);
    if (FAILED(object->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id))) return false;
  }
  DISPPARAMS params{};
  DISPID named = DISPID_PROPERTYPUT;
  if (argument != nullptr) {
    params.rgvarg = argument;
    params.cArgs = 1;
    if (kind == DISPATCH_PROPERTYPUT) {
      params.rgdispidNamedArgs = &named;
      params.cNamedArgs = 1;
    }
  }
  return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, &result.v, nullptr, nullptr));
}

// The object that property `name` of `object` holds (`name` null: the default member, called with
// `index`).
Ref<IDispatch> objectOf(IDispatch* object, const wchar_t* name, VARIANT* index = nullptr) {
  Variant result;
  const WORD kind = index != nullptr ? DISPATCH_METHOD | DISPATCH_PROPERTYGET : DISPATCH_PROPERTYGET;
  if (!call(object, name, kind, index, result) || result.v.vt != VT_DISPATCH || result.v.pdispVal == nullptr) return {};
  result.v.pdispVal->AddRef();
  return Ref<IDispatch>(result.v.pdispVal);
}

std::optional<long long> numberOf(IDispatch* object, const wchar_t* name) {
  Variant result;
  if (!call(object, name, DISPATCH_PROPERTYGET, nullptr, result)) return std::nullopt;
  if (FAILED(VariantChangeType(&result.v, &result.v, 0, VT_I8))) return std::nullopt;
  return result.v.llVal;
}

// Each browser window of the ShellWindows collection, in the collection's order, until `visit`
// returns true.
template <typename F>
void forEachBrowser(F&& visit) {
  Ref<IUnknown> collection;
  if (FAILED(CoCreateInstance(kShellWindowsClass, nullptr, CLSCTX_ALL, kShellWindowsInterface,
                              reinterpret_cast<void**>(collection.out())))) {
    return;
  }
  Ref<IDispatch> windows;
  if (FAILED(collection.get()->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(windows.out())))) return;
  // The collection's enumerator, as a For Each over it asks for it.
  Variant enumerator;
  DISPPARAMS none{};
  if (FAILED(windows.get()->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                   &none, &enumerator.v, nullptr, nullptr)) ||
      (enumerator.v.vt != VT_UNKNOWN && enumerator.v.vt != VT_DISPATCH) || enumerator.v.punkVal == nullptr) {
    return;
  }
  Ref<IEnumVARIANT> items;
  if (FAILED(enumerator.v.punkVal->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(items.out())))) return;
  for (;;) {
    Variant item;
    ULONG fetched = 0;
    if (items.get()->Next(1, &item.v, &fetched) != S_OK || fetched != 1) return;
    if (item.v.vt != VT_DISPATCH || item.v.pdispVal == nullptr) continue;  // an item that is no object is skipped
    const auto hwnd = numberOf(item.v.pdispVal, L"hwnd");
    if (hwnd && visit(static_cast<ports::WindowHandle>(*hwnd), item.v.pdispVal)) return;
  }
}

// The document of the browser whose window is `browser`: its top document, or frame k's.
Ref<IDispatch> documentOf(ports::WindowHandle browser, int frame) {
  Ref<IDispatch> document;
  forEachBrowser([&](ports::WindowHandle window, IDispatch* item) {
    if (window != browser) return false;
    Ref<IDispatch> top = objectOf(item, L"Document");
    if (frame == kNoFrame) {
      document = std::move(top);
    } else {
      Ref<IDispatch> frames = objectOf(top.get(), L"Frames");
      Variant index;
      index.v.vt = VT_I2;  // frame numbers go as 16-bit integers
      index.v.iVal = static_cast<SHORT>(frame);
      Ref<IDispatch> frameWindow = objectOf(frames.get(), nullptr, &index.v);
      document = objectOf(frameWindow.get(), L"Document");
    }
    return true;
  });
  return document;
}

}  // namespace

std::vector<ports::WindowHandle> IeDocuments::browserWindows() {
  std::vector<ports::WindowHandle> windows;
  forEachBrowser([&](ports::WindowHandle window, IDispatch*) {
    windows.push_back(window);
    return false;
  });
  return windows;
}

std::optional<int> IeDocuments::frameCount(ports::WindowHandle browser) {
  Ref<IDispatch> document = documentOf(browser, kNoFrame);
  Ref<IDispatch> frames = objectOf(document.get(), L"Frames");
  const auto length = numberOf(frames.get(), L"length");
  if (!length || *length < INT32_MIN || *length > INT32_MAX) return std::nullopt;
  return static_cast<int>(*length);
}

std::optional<std::u16string> IeDocuments::bodyHtml(ports::WindowHandle browser, int frame) {
  Ref<IDispatch> document = documentOf(browser, frame);
  Ref<IDispatch> body = objectOf(document.get(), L"body");
  Variant html;
  if (!call(body.get(), L"innerhtml", DISPATCH_PROPERTYGET, nullptr, html)) return std::nullopt;
  if (html.v.vt != VT_BSTR && FAILED(VariantChangeType(&html.v, &html.v, 0, VT_BSTR))) return std::nullopt;
  if (html.v.bstrVal == nullptr) return std::u16string();
  return utf16(std::wstring_view(html.v.bstrVal, SysStringLen(html.v.bstrVal)));
}

bool IeDocuments::setBodyHtml(ports::WindowHandle browser, int frame, std::u16string_view html) {
  Ref<IDispatch> document = documentOf(browser, frame);
  Ref<IDispatch> body = objectOf(document.get(), L"body");
  Variant value;
  value.v.vt = VT_BSTR;
  value.v.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(html.data()), static_cast<UINT>(html.size()));
  if (value.v.bstrVal == nullptr && !html.empty()) return false;
  Variant ignored;
  return call(body.get(), L"innerhtml", DISPATCH_PROPERTYPUT, &value.v, ignored);
}

}  // namespace formix::platform::win32
