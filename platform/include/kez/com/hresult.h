#pragma once
// Result codes of every component member. The numbers are the ones peers and the
// programs compare and print, so they keep their customary values.
#include <cstdint>

namespace kez::com {

using HRESULT = std::int32_t;

constexpr HRESULT makeHresult(std::uint32_t bits) { return static_cast<HRESULT>(bits); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOINTERFACE = makeHresult(0x80004002);
constexpr HRESULT E_POINTER = makeHresult(0x80004003);
constexpr HRESULT E_FAIL = makeHresult(0x80004005);
constexpr HRESULT E_UNEXPECTED = makeHresult(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = makeHresult(0x8007000E);
constexpr HRESULT E_INVALIDARG = makeHresult(0x80070057);
constexpr HRESULT DISP_E_TYPEMISMATCH = makeHresult(0x80020005);
constexpr HRESULT DISP_E_EXCEPTION = makeHresult(0x80020009);
constexpr HRESULT CLASS_E_NOAGGREGATION = makeHresult(0x80040110);
constexpr HRESULT REGDB_E_CLASSNOTREG = makeHresult(0x80040154);
constexpr HRESULT CONNECT_E_NOCONNECTION = makeHresult(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = makeHresult(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = makeHresult(0x80040202);

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// A failure in the interface facility: 0x80040000 plus a server's own error value.
constexpr HRESULT interfaceError(std::uint16_t value) { return makeHresult(0x80040000u | value); }

// A system failure reported from errno. Zero means the call failed without saying why.
constexpr HRESULT hresultFromErrno(int error) {
    if (error == 0) {
        return DISP_E_EXCEPTION;
    }
    return makeHresult(0x80070000u | (static_cast<std::uint32_t>(error) & 0xFFFFu));
}

} // namespace kez::com
