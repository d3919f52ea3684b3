/*
 * The start of the Linux programs shipped to the clients (the swipe tool):
 * glibc 2.34 gave __libc_start_main a new version, which the start-up code
 * of every program links against. The old version is bound instead. The
 * new start-up code passes no initialiser, and an old glibc runs none by
 * itself then, so the program's constructors are handed over explicitly.
 */
#define _GNU_SOURCE
#include <stddef.h>

typedef int (*mcr_main_fn)(int, char**, char**);
typedef void (*mcr_init_fn)(int, char**, char**);

__asm__(".symver mcr_libc_start_main, __libc_start_main@GLIBC_2.2.5");
int mcr_libc_start_main(mcr_main_fn, int, char**, mcr_init_fn, void (*)(void), void (*)(void), void*);

extern mcr_init_fn __preinit_array_start[] __attribute__((weak));
extern mcr_init_fn __preinit_array_end[] __attribute__((weak));
extern mcr_init_fn __init_array_start[] __attribute__((weak));
extern mcr_init_fn __init_array_end[] __attribute__((weak));

static void mcr_run_constructors(int argc, char** argv, char** env) {
    for (mcr_init_fn* f = __preinit_array_start; f != NULL && f < __preinit_array_end; ++f) (*f)(argc, argv, env);
    for (mcr_init_fn* f = __init_array_start; f != NULL && f < __init_array_end; ++f) (*f)(argc, argv, env);
}

int __wrap___libc_start_main(mcr_main_fn main, int argc, char** argv, mcr_init_fn init, void (*fini)(void),
                             void (*rtld_fini)(void), void* stack_end) {
    return mcr_libc_start_main(main, argc, argv, init != NULL ? init : mcr_run_constructors, fini, rtld_fini,
                               stack_end);
}
