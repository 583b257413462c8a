// The control interface of the simulated audio policy server (PolicySim.dll
// built from testing/policysim). A test loads the library itself, registers
// it under the policy class ids, and reads the calls the program made.
#pragma once
#include <windows.h>

// One call of a policy method: the class and interface the object was
// created as, the method's slot in the interface (IUnknown's are 0 to 2),
// and the two arguments every policy method of interest takes.
struct PolicySimCall {
    CLSID classId;
    IID interfaceId;
    int method;
    wchar_t endpoint[128];
    int role;
};

extern "C" {
// Forgets the recorded calls and every refused interface.
using PolicySimResetFn = void(WINAPI*)();
// Objects answer E_NOINTERFACE for this interface from now on.
using PolicySimRefuseInterfaceFn = void(WINAPI*)(const IID* interfaceId);
using PolicySimCallCountFn = int(WINAPI*)();
// Copies call `index`; false when there is no such call.
using PolicySimGetCallFn = BOOL(WINAPI*)(int index, PolicySimCall* call);
}

// The class ids the server answers for: the policy object of Windows 6.1 and
// later and the one of Windows 6.0.
inline constexpr CLSID kPolicySimClassIds[] = {
    {0x870AF99C, 0x171D, 0x4F9E, {0xAF, 0x0D, 0xE6, 0x3D, 0xF4, 0x0C, 0x2B, 0xC9}},
    {0x294935CE, 0xF637, 0x4E7C, {0xA4, 0x1B, 0xAB, 0x25, 0x54, 0x60, 0xB8, 0x62}},
};
