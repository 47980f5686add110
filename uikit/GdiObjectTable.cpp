#include "uikit/GdiObjectTable.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {
std::mutex g_mutex;
std::uint32_t g_next = 0;
std::unordered_map<std::uint32_t, std::function<void()>>& Objects() {
    static std::unordered_map<std::uint32_t, std::function<void()>> objects;
    return objects;
}
}  // namespace

std::uint32_t RegisterGdiObject(std::function<void()> release) {
    std::lock_guard<std::mutex> lock(g_mutex);
    do {
        ++g_next;
    } while (g_next == 0 || Objects().count(g_next));
    Objects().emplace(g_next, std::move(release));
    return g_next;
}

bool DeleteGdiObject(std::uint32_t handle) {
    std::function<void()> release;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = Objects().find(handle);
        if (handle == 0 || it == Objects().end()) return false;
        release = std::move(it->second);
        Objects().erase(it);
    }
    if (release) release();
    return true;
}

bool IsGdiObject(std::uint32_t handle) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return handle != 0 && Objects().count(handle) != 0;
}

int ResetGdiObjectTable(GdiObjectTable* table) {
    if (!table) return 0;
    const std::uint32_t n = table->count < 40 ? table->count : 40;
    for (std::uint32_t i = 0; i < n; ++i)
        if (table->entries[i].hObject) DeleteGdiObject(table->entries[i].hObject);
    std::memset(table, 0, sizeof *table);
    return 0;
}
