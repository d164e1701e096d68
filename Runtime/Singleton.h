#pragma once
// One process-wide instance of T, built on first use (thread-safe since C++11) and
// destroyed at process exit. Any thread.
template <class T>
class CSingleton {
public:
    static T& Instance() {
        static T instance;
        return instance;
    }

protected:
    CSingleton() = default;
    ~CSingleton() = default;
};
