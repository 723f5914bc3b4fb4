#pragma once

// Hands freed heap memory back to the system; safe to call at any time, any number of times.
//
//   velmo::ClearMemory();

namespace velmo {

void ClearMemory();

} // namespace velmo
