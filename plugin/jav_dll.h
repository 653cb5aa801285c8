// The five entry points that the host calls. C linkage; on a 32-bit Windows
// build they are stdcall and exported as _ConvertFile@12 and so on.
#pragma once

#include <cstdint>

#include "context/host_records.h"

#if defined(_WIN32) && !defined(_WIN64)
// plugin/jav_dll.def exports the decorated names (_ConvertFile@12 ...); a
// dllexport here would add undecorated duplicates (ConvertFile@12).
#define JAV_EXPORT extern "C"
#elif defined(_WIN32)
#define JAV_EXPORT extern "C" __declspec(dllexport)
#else
#define JAV_EXPORT extern "C" __attribute__((visibility("default")))
#endif

JAV_EXPORT int32_t JAV_CALL ConvertFile(jps::ConversionRequest* request,
                                        jps::HostCallbacks* callbacks, int32_t reserved);
JAV_EXPORT int32_t JAV_CALL AutoDetect(const char* path);
JAV_EXPORT void JAV_CALL SetFactoryDefaults(int32_t size, jps::ConversionOptions* options);
JAV_EXPORT void JAV_CALL GetErrString(char* buffer);
JAV_EXPORT void JAV_CALL Abort();
