// Shared-memory buffers: one memfd each, made when the presenter first needs it. A new
// memfd reads as zeros, which is black, as every new picture starts; its pages stay
// unallocated until a walker comes by.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "platform/wayland/app.h"

namespace virelo {
namespace {

void Released(void* data, wl_buffer*) {
    auto& b = *static_cast<Buffer*>(data);
    b.screen->presenter.Released(b.index);
}

const wl_buffer_listener BufferListener = {.release = Released};

}  // namespace

bool MakeBuffer(Screen& s, int index) {
    // wl_shm takes the pool's size and the stride as 32-bit ints.
    const std::int64_t w = s.client.right, h = s.client.bottom;
    const std::int64_t stride = w * static_cast<std::int64_t>(sizeof(Pixel));
    const std::int64_t bytes = stride * h;
    if (w <= 0 || h <= 0 || bytes > INT32_MAX) {
        std::fprintf(stderr, "virelo-wayland: an output of %lld x %lld pixels is too large to draw on\n",
                     static_cast<long long>(w), static_cast<long long>(h));
        return false;
    }
    const int fd = memfd_create("virelo-wayland", MFD_CLOEXEC);
    void* memory = MAP_FAILED;
    if (fd >= 0 && ftruncate(fd, bytes) == 0)
        memory = mmap(nullptr, static_cast<std::size_t>(bytes), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        if (fd >= 0) close(fd);
        std::fprintf(stderr, "virelo-wayland: no shared memory for a %lld x %lld output\n",
                     static_cast<long long>(w), static_cast<long long>(h));
        return false;
    }
    Buffer& b = s.buffers[index];
    wl_shm_pool* pool = wl_shm_create_pool(s.app->shm, fd, static_cast<std::int32_t>(bytes));
    b = {&s, index,
         wl_shm_pool_create_buffer(pool, 0, static_cast<std::int32_t>(w), static_cast<std::int32_t>(h),
                                   static_cast<std::int32_t>(stride), WL_SHM_FORMAT_XRGB8888),
         static_cast<Pixel*>(memory), static_cast<std::size_t>(bytes)};
    wl_buffer_add_listener(b.buffer, &BufferListener, &b);
    wl_shm_pool_destroy(pool);
    close(fd);
    return true;
}

void DropBuffers(Screen& s) {
    for (Buffer& b : s.buffers) {
        // The compositor may still show a buffer destroyed here; it keeps the memory mapped
        // for itself until it is done.
        if (b.buffer) wl_buffer_destroy(b.buffer);
        if (b.pixels) munmap(b.pixels, b.bytes);
        b = Buffer{};
    }
    s.presenter.Reset();
}

}  // namespace virelo
