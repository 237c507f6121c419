#pragma once

namespace quillon {

// A test seam: lets a test make the N-th platform operation of a kind fail as the system would
// (a full disk for writes and store creation, exhausted address space for mapping, an I/O
// error for reads and for flushes to the disk).
enum class TFault { Write, Create, Map, Read, Flush };

// From now on, the n-th operation of that kind (1 = the next) fails; n <= 0 disarms it.
void FailNth(TFault kind, int n);
void ClearFaults();
// Whether the failure armed for that kind is still to come: false once it has happened.
bool FaultPending(TFault kind);

// Counts one operation of the kind; throws EOSError when it is the one armed to fail.
void CheckFault(TFault kind);
// The same without throwing: the error number the operation fails with, or 0. Lock-free, so a
// signal handler may count its operations too.
int FaultError(TFault kind);

}  // namespace quillon
