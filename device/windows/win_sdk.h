#pragma once

// The Windows SDK headers of this backend, in the one order that compiles (ksproxy.h needs
// ks.h first), plus what MinGW-w64 lacks. Only the Windows backend and its tests include it.

#ifndef NOMINMAX
#define NOMINMAX
#endif
// dshow.h pulls in strsafe.h, which otherwise deprecates the C string functions.
#ifndef STRSAFE_NO_DEPRECATE
#define STRSAFE_NO_DEPRECATE
#endif

// clang-format off
#include <windows.h>
#include <dbt.h>
#include <dshow.h>
#include <ks.h>
#include <ksmedia.h>
#include <ksproxy.h>
// clang-format on

#if __has_include(<vidcap.h>)
#include <vidcap.h>
#else
// The kernel-streaming topology interface; methods in the SDK's vtable order.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
struct IKsTopologyInfo : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE get_NumCategories(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Category(DWORD index, GUID* category) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumConnections(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ConnectionInfo(DWORD index,
                                                         KSTOPOLOGY_CONNECTION* connection) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NodeName(DWORD node, WCHAR* name, DWORD bufferSize,
                                                   DWORD* nameLength) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NumNodes(DWORD* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_NodeType(DWORD node, GUID* type) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateNodeInstance(DWORD node, REFIID iid, void** object) = 0;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
#endif

// Interface ids by value: not every toolchain attaches them to these interfaces or ships them
// in a library.
inline constexpr IID kIidKsControl = {
    0x28F54685, 0x06FD, 0x11D2, {0xB2, 0x7A, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}};
inline constexpr IID kIidKsTopologyInfo = {
    0x720D4AC0, 0x7533, 0x11D0, {0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00}};
