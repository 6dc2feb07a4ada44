// Runs an entry point that the host (or a Windows callback) calls: a C++
// exception that reached Acrobat would end the host process, so every such
// entry catches everything and answers its safe value.
#pragma once

template <typename T, typename Fn>
T HostCallNoThrow(T failed, Fn&& fn) noexcept
{
    try {
        return fn();
    } catch (...) {
        return failed;
    }
}

template <typename Fn>
void HostCallNoThrow(Fn&& fn) noexcept
{
    try {
        fn();
    } catch (...) {
    }
}
