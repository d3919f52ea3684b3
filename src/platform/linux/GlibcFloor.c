/*
 * Keeps the component loadable on the oldest clients it supports (glibc
 * 2.28: Debian 10, RHEL 8). The build machine's glibc gives several entry
 * points a newer default version than those clients have; the link wraps
 * every reference to them (-Wl,--wrap=NAME, also in the static C++ runtime)
 * and the wrappers here call the versions the old clients export, which the
 * new glibc still carries for compatibility.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <math.h>
#include <pthread.h>
#include <stdint.h>
#include <sys/random.h>
#include <sys/stat.h>

/* Before 2.34 the threads functions and dladdr lived in libpthread and libdl
 * under their first versions; libc still exports those. */
__asm__(".symver mcr_pthread_create, pthread_create@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_join, pthread_join@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_detach, pthread_detach@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_once, pthread_once@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_key_create, __pthread_key_create@GLIBC_2.2.5");
__asm__(".symver mcr_dladdr, dladdr@GLIBC_2.2.5");
__asm__(".symver mcr_dlopen, dlopen@GLIBC_2.2.5");
__asm__(".symver mcr_dlsym, dlsym@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_key_create_public, pthread_key_create@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_key_delete, pthread_key_delete@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_getspecific, pthread_getspecific@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_setspecific, pthread_setspecific@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_rwlock_rdlock, pthread_rwlock_rdlock@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_rwlock_wrlock, pthread_rwlock_wrlock@GLIBC_2.2.5");
__asm__(".symver mcr_pthread_rwlock_unlock, pthread_rwlock_unlock@GLIBC_2.2.5");
/* 2.29 gave log and pow new versions that differ only in how errors are
 * reported; the window's drawing never reaches their error cases. */
__asm__(".symver mcr_log, log@GLIBC_2.2.5");
__asm__(".symver mcr_pow, pow@GLIBC_2.2.5");
/* Before 2.33 the stat family were inline wrappers around these, which take
 * the structure's version (1 on x86_64) first. */
__asm__(".symver mcr_xstat, __xstat@GLIBC_2.2.5");
__asm__(".symver mcr_lxstat, __lxstat@GLIBC_2.2.5");
__asm__(".symver mcr_fxstat, __fxstat@GLIBC_2.2.5");

int mcr_pthread_create(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);
int mcr_pthread_join(pthread_t, void**);
int mcr_pthread_detach(pthread_t);
int mcr_pthread_once(pthread_once_t*, void (*)(void));
int mcr_pthread_key_create(pthread_key_t*, void (*)(void*));
int mcr_dladdr(const void*, Dl_info*);
void* mcr_dlopen(const char*, int);
void* mcr_dlsym(void*, const char*);
int mcr_pthread_key_create_public(pthread_key_t*, void (*)(void*));
int mcr_pthread_key_delete(pthread_key_t);
void* mcr_pthread_getspecific(pthread_key_t);
int mcr_pthread_setspecific(pthread_key_t, const void*);
int mcr_pthread_rwlock_rdlock(pthread_rwlock_t*);
int mcr_pthread_rwlock_wrlock(pthread_rwlock_t*);
int mcr_pthread_rwlock_unlock(pthread_rwlock_t*);
double mcr_log(double);
double mcr_pow(double, double);
int mcr_xstat(int, const char*, struct stat*);
int mcr_lxstat(int, const char*, struct stat*);
int mcr_fxstat(int, int, struct stat*);

enum { STAT_VERSION = 1 };

int __wrap_pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*start)(void*), void* arg) {
    return mcr_pthread_create(thread, attr, start, arg);
}
int __wrap_pthread_join(pthread_t thread, void** result) { return mcr_pthread_join(thread, result); }
int __wrap_pthread_detach(pthread_t thread) { return mcr_pthread_detach(thread); }
int __wrap_pthread_once(pthread_once_t* once, void (*routine)(void)) { return mcr_pthread_once(once, routine); }
int __wrap___pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
    return mcr_pthread_key_create(key, destructor);
}
int __wrap_dladdr(const void* address, Dl_info* info) { return mcr_dladdr(address, info); }
void* __wrap_dlopen(const char* file, int mode) { return mcr_dlopen(file, mode); }
void* __wrap_dlsym(void* handle, const char* name) { return mcr_dlsym(handle, name); }
int __wrap_pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
    return mcr_pthread_key_create_public(key, destructor);
}
int __wrap_pthread_key_delete(pthread_key_t key) { return mcr_pthread_key_delete(key); }
void* __wrap_pthread_getspecific(pthread_key_t key) { return mcr_pthread_getspecific(key); }
int __wrap_pthread_setspecific(pthread_key_t key, const void* value) { return mcr_pthread_setspecific(key, value); }
int __wrap_pthread_rwlock_rdlock(pthread_rwlock_t* lock) { return mcr_pthread_rwlock_rdlock(lock); }
int __wrap_pthread_rwlock_wrlock(pthread_rwlock_t* lock) { return mcr_pthread_rwlock_wrlock(lock); }
int __wrap_pthread_rwlock_unlock(pthread_rwlock_t* lock) { return mcr_pthread_rwlock_unlock(lock); }
double __wrap_log(double x) { return mcr_log(x); }
double __wrap_pow(double x, double y) { return mcr_pow(x, y); }
int __wrap_stat(const char* path, struct stat* info) { return mcr_xstat(STAT_VERSION, path, info); }
int __wrap_lstat(const char* path, struct stat* info) { return mcr_lxstat(STAT_VERSION, path, info); }
int __wrap_fstat(int fd, struct stat* info) { return mcr_fxstat(STAT_VERSION, fd, info); }
/* struct stat64 is struct stat on x86_64. */
int __wrap_fstat64(int fd, struct stat* info) { return mcr_fxstat(STAT_VERSION, fd, info); }

/* The C++ runtime skips atomic reference counts while this says the process
 * has one thread (2.32); "never single-threaded" is always right. */
char __wrap___libc_single_threaded = 0;

/* std::random_device's default source (2.36), in the C++ runtime though the
 * component never asks for it: getrandom (2.25) gives the same. */
uint32_t __wrap_arc4random(void) {
    uint32_t value = 0;
    while (getrandom(&value, sizeof value, 0) != (ssize_t)sizeof value && errno == EINTR) {
    }
    return value;
}
