// The parts of the COM runtime that every backend of our COM layer shares: strings, memory,
// VARIANTs and bind contexts.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

#include "video_platform.h"

namespace {

class BindContext final : public IBindCtx {
 public:
  HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown) return E_NOINTERFACE;
    AddRef();
    *ppvObject = static_cast<IBindCtx*>(this);
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> references_{1};
};

}  // namespace

LPVOID CoTaskMemAlloc(std::size_t size) {
  return std::malloc(size);
}

void CoTaskMemFree(LPVOID memory) {
  std::free(memory);
}

BSTR SysAllocString(LPCOLESTR text) {
  if (text == nullptr) return nullptr;
  const std::size_t bytes = (std::char_traits<OLECHAR>::length(text) + 1) * sizeof(OLECHAR);
  auto* copy = static_cast<BSTR>(std::malloc(bytes));
  if (copy != nullptr) std::memcpy(copy, text, bytes);
  return copy;
}

void SysFreeString(BSTR text) {
  std::free(text);
}

void VariantInit(VARIANT* variant) {
  variant->vt = VT_EMPTY;
  variant->bstrVal = nullptr;
}

HRESULT VariantClear(VARIANT* variant) {
  if (variant == nullptr) return E_INVALIDARG;
  if (variant->vt == VT_BSTR) SysFreeString(variant->bstrVal);
  VariantInit(variant);
  return S_OK;
}

HRESULT CreateBindCtx(DWORD, IBindCtx** ppbc) {
  if (ppbc == nullptr) return E_POINTER;
  *ppbc = new BindContext();
  return S_OK;
}
