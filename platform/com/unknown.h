#pragma once
// IUnknown with counted references, a smart pointer over it, and a base that implements
// reference counting and QueryInterface for a class from the list of interfaces it offers.

#include "platform/com/guid.h"
#include "platform/com/hresult.h"

#include <atomic>
#include <tuple>
#include <type_traits>
#include <utility>

namespace vx {

struct IUnknown {
    static constexpr IID kIid = MakeGuid("{00000000-0000-0000-C000-000000000046}");
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    // Objects go away through Release, never through delete on an interface.
    virtual ~IUnknown() = default;
};

template <class T>
constexpr const IID& IidOf() {
    return T::kIid;
}

// A counted reference. Construction from a raw pointer adds a reference; Attach takes one over.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(T* p) : m_p(p) {
        if (m_p) {
            m_p->AddRef();
        }
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }

    void Reset() {
        if (T* p = std::exchange(m_p, nullptr)) {
            p->Release();
        }
    }
    void Attach(T* p) {
        Reset();
        m_p = p;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Swap(ComPtr& other) noexcept { std::swap(m_p, other.m_p); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // For out parameters: releases what is held and hands out the slot.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &m_p;
    }
    void** ReleaseAndGetVoidAddress() { return reinterpret_cast<void**>(ReleaseAndGetAddressOf()); }

    template <class U>
    HRESULT As(ComPtr<U>& out) const {
        if (!m_p) {
            out.Reset();
            return E_POINTER;
        }
        return m_p->QueryInterface(IidOf<U>(), out.ReleaseAndGetVoidAddress());
    }

private:
    T* m_p = nullptr;
};

// Implements IUnknown for `Derived`, which offers `Interfaces...` (each derived from IUnknown,
// listed with its own kIid). Objects are made with MakeComObject and start with one reference.
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (iid == IUnknown::kIid) {
            *object = static_cast<IUnknown*>(static_cast<First*>(this));
        } else {
            (TryInterface<Interfaces>(iid, object) || ...);
        }
        if (!*object) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_references; }
    ULONG Release() override {
        const ULONG left = --m_references;
        if (left == 0) {
            delete static_cast<Derived*>(this);
        }
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;

    // An interface that extends another names it as `Parent`; asking for the parent answers
    // the same object.
    template <class I>
    static bool Offers(const IID& iid) {
        if (iid == I::kIid) {
            return true;
        }
        if constexpr (requires { typename I::Parent; }) {
            return Offers<typename I::Parent>(iid);
        }
        return false;
    }

    template <class I>
    bool TryInterface(const IID& iid, void** object) {
        if (Offers<I>(iid)) {
            *object = static_cast<I*>(this);
            return true;
        }
        return false;
    }

    std::atomic<ULONG> m_references{1};
};

// Makes an object with its one initial reference owned by the returned pointer.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
    ComPtr<T> p;
    p.Attach(new T(std::forward<Args>(args)...));
    return p;
}

} // namespace vx
