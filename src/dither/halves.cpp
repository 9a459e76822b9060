// SPDX-License-Identifier: MIT
// Copyright (c) 2026 kestrow developers
#include "halves.h"

#ifndef __wasi__
#include <pthread.h>
#include <sched.h>

namespace {

struct beside_t {
    half_fn fn;
    void *arg;
};

void *beside_thread(void *beside)
{
    const beside_t *b = static_cast<const beside_t *>(beside);
    b->fn(b->arg);
    return nullptr;
}

// Keeps a new thread off the processor this one is on, where there is
// another it may use. Left to itself, the scheduler starts the thread
// here, beside the one that is about to be busy, and may take
// milliseconds, most of the work, to move either.
void elsewhere(pthread_attr_t *attr)
{
    cpu_set_t allowed;
    const int here = sched_getcpu();
    if (here >= 0 && here < CPU_SETSIZE && sched_getaffinity(0, sizeof allowed, &allowed) == 0 &&
        CPU_ISSET(here, &allowed) && CPU_COUNT(&allowed) > 1) {
        CPU_CLR(here, &allowed);
        pthread_attr_setaffinity_np(attr, sizeof allowed, &allowed);
    }
}

} // namespace

void halves_run(half_fn here, void *here_arg, half_fn beside, void *beside_arg)
{
    beside_t b = {beside, beside_arg};
    pthread_t thread;
    pthread_attr_t attr;
    bool threaded = false;
    if (pthread_attr_init(&attr) == 0) {
        elsewhere(&attr);
        threaded = pthread_create(&thread, &attr, beside_thread, &b) == 0;
        pthread_attr_destroy(&attr);
    }
    here(here_arg);
    if (threaded)
        pthread_join(thread, nullptr);
    else
        beside(beside_arg);
}

#else

void halves_run(half_fn here, void *here_arg, half_fn beside, void *beside_arg)
{
    here(here_arg);
    beside(beside_arg);
}

#endif
