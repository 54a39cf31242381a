#include "platform/media/Com.h"

#include <cstdlib>

namespace platform::media {

void* CoTaskMemAlloc(size_t bytes) {
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void CoTaskMemFree(void* block) {
    std::free(block);
}

HRESULT CoInitialize(void* /*reserved*/) {
    return S_OK;
}

void CoUninitialize() {}

}  // namespace platform::media
