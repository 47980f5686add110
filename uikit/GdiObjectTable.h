#pragma once
// A fixed table of drawing objects that the main window and the application object keep, and
// the handles of those objects.
#include <cstdint>
#include <functional>

#pragma pack(push, 1)
struct GdiObjectEntry {
    std::uint32_t hObject;  // the object's handle, 0 = none
    std::uint8_t data[76];
};
struct GdiObjectTable {
    std::uint32_t reserved;
    std::uint32_t count;
    GdiObjectEntry entries[40];
    std::uint8_t tail[8];
};
#pragma pack(pop)
static_assert(sizeof(GdiObjectEntry) == 80, "a table entry is 80 bytes");
static_assert(sizeof(GdiObjectTable) == 3216, "the table is 3216 bytes");

// Registers an object by the function that releases it; returns its handle (never 0).
std::uint32_t RegisterGdiObject(std::function<void()> release);
// Releases the object of a handle; false for 0 or a handle that is not (or no longer) known.
bool DeleteGdiObject(std::uint32_t handle);
bool IsGdiObject(std::uint32_t handle);

// Deletes the objects of the first `count` entries (at most the 40 there are) and zero-fills
// the whole table; returns 0.
int ResetGdiObjectTable(GdiObjectTable* table);
