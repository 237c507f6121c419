#pragma once

#include <cstdint>

namespace quillon {

// Alignment of every mapped window's start. 65536 unless the system's page size is larger;
// tests may set a smaller multiple of the page size.
extern uint32_t AllocationGranularity;

// What the system offers: 65536, or the page size when that is larger.
uint32_t SystemAllocationGranularity();

// The system's page size in bytes.
uint32_t SystemPageSize();

}  // namespace quillon
