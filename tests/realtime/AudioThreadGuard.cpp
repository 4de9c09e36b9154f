#include "AudioThreadGuard.h"

#include <algorithm>
#include <cstdlib>
#include <new>
#include <pthread.h>

extern "C" void* __real_malloc (std::size_t);

namespace
{
    struct Counts
    {
        bool active = false;
        std::size_t allocations = 0;
        std::size_t locks = 0;
    };

    thread_local Counts counts;

    void noteAllocation() noexcept
    {
        if (counts.active)
            ++counts.allocations;
    }

    void noteLock() noexcept
    {
        if (counts.active)
            ++counts.locks;
    }

    void* allocate (std::size_t size)
    {
        noteAllocation();

        if (auto* p = __real_malloc (size == 0 ? 1 : size))
            return p;

        throw std::bad_alloc();
    }

    void* allocateAligned (std::size_t size, std::align_val_t alignment)
    {
        noteAllocation();
        void* p = nullptr;

        const auto align = std::max (static_cast<std::size_t> (alignment), sizeof (void*));

        if (posix_memalign (&p, align, size == 0 ? 1 : size) != 0)
            throw std::bad_alloc();

        return p;
    }
}

AudioThreadGuard::AudioThreadGuard() noexcept
{
    counts = {};
    counts.active = true;
}

AudioThreadGuard::~AudioThreadGuard()
{
    counts.active = false;
}

std::size_t AudioThreadGuard::getAllocations() const noexcept { return counts.allocations; }
std::size_t AudioThreadGuard::getLocks() const noexcept { return counts.locks; }

void* operator new (std::size_t size) { return allocate (size); }
void* operator new[] (std::size_t size) { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept { noteAllocation(); return __real_malloc (size == 0 ? 1 : size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { noteAllocation(); return __real_malloc (size == 0 ? 1 : size); }
void* operator new (std::size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a) { return allocateAligned (size, a); }
void operator delete (void* p) noexcept { std::free (p); }
void operator delete[] (void* p) noexcept { std::free (p); }
void operator delete (void* p, std::size_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }

// Link-time wraps (-Wl,--wrap=...): every C allocation and pthread lock of the statically linked
// code passes through here.
extern "C"
{
    void* __real_calloc (std::size_t, std::size_t);
    void* __real_realloc (void*, std::size_t);
    int __real_pthread_mutex_lock (pthread_mutex_t*);
    int __real_pthread_mutex_trylock (pthread_mutex_t*);
    int __real_pthread_rwlock_rdlock (pthread_rwlock_t*);
    int __real_pthread_rwlock_wrlock (pthread_rwlock_t*);
    int __real_pthread_cond_wait (pthread_cond_t*, pthread_mutex_t*);

    void* __wrap_malloc (std::size_t size) { noteAllocation(); return __real_malloc (size); }
    void* __wrap_calloc (std::size_t n, std::size_t size) { noteAllocation(); return __real_calloc (n, size); }
    void* __wrap_realloc (void* p, std::size_t size) { noteAllocation(); return __real_realloc (p, size); }
    int __wrap_pthread_mutex_lock (pthread_mutex_t* m) { noteLock(); return __real_pthread_mutex_lock (m); }
    int __wrap_pthread_mutex_trylock (pthread_mutex_t* m) { noteLock(); return __real_pthread_mutex_trylock (m); }
    int __wrap_pthread_rwlock_rdlock (pthread_rwlock_t* l) { noteLock(); return __real_pthread_rwlock_rdlock (l); }
    int __wrap_pthread_rwlock_wrlock (pthread_rwlock_t* l) { noteLock(); return __real_pthread_rwlock_wrlock (l); }
    int __wrap_pthread_cond_wait (pthread_cond_t* c, pthread_mutex_t* m) { noteLock(); return __real_pthread_cond_wait (c, m); }
}
