#pragma once
// A second thread that only waits, alive for the whole run. The IDE always has one besides the
// thread that reads packages, and with a second thread the standard library takes its
// multi-threaded paths (atomic reference counts, for one): timings taken without it would
// flatter code that the IDE never runs.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <mutex>
#include <thread>

namespace vx::bench {

class IdleThread {
public:
    IdleThread()
        : m_thread([this] {
              std::unique_lock lock(m_mutex);
              m_wake.wait(lock, [this] { return m_stop; });
          }) {}
    ~IdleThread() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }
    IdleThread(const IdleThread&) = delete;
    IdleThread& operator=(const IdleThread&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

// BENCHMARK_MAIN with the idle thread alive.
inline int RunWithIdleThread(int argc, char** argv) {
    IdleThread idle;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace vx::bench
