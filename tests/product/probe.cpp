// A program that uses std::mutex, built as the product once was: with the POSIX-thread
// compilers, whose static winpthreads imports functions that Windows 2000 and XP lack. The load
// check must refuse it.
#include <mutex>

int main() {
    static std::mutex mutex;
    const std::lock_guard<std::mutex> hold(mutex);
    return 0;
}
