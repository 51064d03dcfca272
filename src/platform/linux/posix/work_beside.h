// Work run beside the caller on a thread of its own, placed on another CPU
// from the start.
#pragma once

#include <pthread.h>
#include <sched.h>

#include <functional>
#include <utility>

namespace scriblane::linuxp {

class WorkBeside {
public:
    // Runs `work` on its thread; here and now when no thread can be made.
    explicit WorkBeside(std::function<void()> work) : work_(std::move(work)) {
        pthread_attr_t attributes;
        if (pthread_attr_init(&attributes) == 0) {
            // A new thread is queued on its creator's CPU and moved only
            // when the scheduler next balances, often after the creator has
            // done its own part: the two then take turns on one CPU while
            // another is idle. Started on another CPU (where there is one),
            // it runs beside us from the start; then it may go anywhere.
            if (sched_getaffinity(0, sizeof allowed_, &allowed_) == 0) {
                cpu_set_t others = allowed_;
                const int here = sched_getcpu();
                if (here >= 0 && here < CPU_SETSIZE) CPU_CLR(here, &others);
                if (CPU_COUNT(&others) > 0) {
                    placed_ = pthread_attr_setaffinity_np(&attributes, sizeof others, &others) == 0;
                }
            }
            started_ = pthread_create(&thread_, &attributes, &Run, this) == 0;
            pthread_attr_destroy(&attributes);
        }
        if (!started_) work_();
    }
    ~WorkBeside() { Wait(); }
    WorkBeside(const WorkBeside&) = delete;
    WorkBeside& operator=(const WorkBeside&) = delete;

    // Returns once the work is done.
    void Wait() {
        if (started_) pthread_join(thread_, nullptr);
        started_ = false;
    }

private:
    static void* Run(void* self) {
        auto* beside = static_cast<WorkBeside*>(self);
        if (beside->placed_) sched_setaffinity(0, sizeof beside->allowed_, &beside->allowed_);
        beside->work_();
        return nullptr;
    }

    std::function<void()> work_;
    pthread_t thread_{};
    cpu_set_t allowed_{};
    bool placed_ = false;
    bool started_ = false;
};

}  // namespace scriblane::linuxp
