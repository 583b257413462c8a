// A stand-in for the audio policy objects: any interface id asked for (but
// the refused ones) is answered by one object whose methods 3 to 15 each
// record their slot and first two arguments.
#include "testing/policysim/policysim_control.h"
#include <objbase.h>
#include <array>
#include <cwchar>
#include <mutex>
#include <utility>
#include <vector>

namespace {

std::mutex g_lock;
std::vector<PolicySimCall> g_calls;
std::vector<IID> g_refused;

constexpr int kMethodSlots = 16;

struct PolicyObject {
    void* const* vtable;
    LONG refs;
    CLSID classId;
    IID interfaceId;
};

ULONG STDMETHODCALLTYPE AddRefSlot(PolicyObject* self) { return static_cast<ULONG>(::InterlockedIncrement(&self->refs)); }
ULONG STDMETHODCALLTYPE ReleaseSlot(PolicyObject* self) {
    const LONG left = ::InterlockedDecrement(&self->refs);
    if (left == 0) delete self;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE QueryInterfaceSlot(PolicyObject* self, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown)) {
        std::lock_guard<std::mutex> hold(g_lock);
        for (const IID& refused : g_refused)
            if (IsEqualIID(refused, iid)) return E_NOINTERFACE;
        if (IsEqualIID(iid, IID_IMarshal)) return E_NOINTERFACE;
        self->interfaceId = iid;
    }
    AddRefSlot(self);
    *out = self;
    return S_OK;
}

template <int Slot>
HRESULT STDMETHODCALLTYPE MethodSlot(PolicyObject* self, LPCWSTR endpoint, int role) {
    PolicySimCall call{self->classId, self->interfaceId, Slot, {}, role};
    if (endpoint) std::wcsncpy(call.endpoint, endpoint, std::size(call.endpoint) - 1);
    std::lock_guard<std::mutex> hold(g_lock);
    g_calls.push_back(call);
    return S_OK;
}

template <int... Slots>
std::array<void*, kMethodSlots> MakeVtable(std::integer_sequence<int, Slots...>) {
    return {reinterpret_cast<void*>(&QueryInterfaceSlot), reinterpret_cast<void*>(&AddRefSlot),
            reinterpret_cast<void*>(&ReleaseSlot), reinterpret_cast<void*>(&MethodSlot<Slots + 3>)...};
}
const std::array<void*, kMethodSlots> g_vtable = MakeVtable(std::make_integer_sequence<int, kMethodSlots - 3>{});

// One factory per class id; they live as long as the library.
class Factory final : public IClassFactory {
public:
    explicit Factory(const CLSID& classId) : classId_(classId) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory) ? this : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        auto* object = new PolicyObject{g_vtable.data(), 1, classId_, IID_IUnknown};
        const HRESULT result = QueryInterfaceSlot(object, iid, out);
        ReleaseSlot(object);
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    CLSID classId_;
};
Factory g_factories[] = {Factory(kPolicySimClassIds[0]), Factory(kPolicySimClassIds[1])};

}  // namespace

extern "C" {

HRESULT WINAPI DllGetClassObject(REFCLSID classId, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (size_t i = 0; i < std::size(kPolicySimClassIds); ++i)
        if (IsEqualCLSID(kPolicySimClassIds[i], classId)) return g_factories[i].QueryInterface(iid, out);
    return CLASS_E_CLASSNOTAVAILABLE;
}

// The tests read the calls after the program released its objects: stay loaded.
HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }

void WINAPI PolicySimReset() {
    std::lock_guard<std::mutex> hold(g_lock);
    g_calls.clear();
    g_refused.clear();
}

void WINAPI PolicySimRefuseInterface(const IID* interfaceId) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (interfaceId) g_refused.push_back(*interfaceId);
}

int WINAPI PolicySimCallCount() {
    std::lock_guard<std::mutex> hold(g_lock);
    return static_cast<int>(g_calls.size());
}

BOOL WINAPI PolicySimGetCall(int index, PolicySimCall* call) {
    std::lock_guard<std::mutex> hold(g_lock);
    if (!call || index < 0 || index >= static_cast<int>(g_calls.size())) return FALSE;
    *call = g_calls[static_cast<size_t>(index)];
    return TRUE;
}

}  // extern "C"
