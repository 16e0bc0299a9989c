#pragma once
// Giving memory back to the system once a job is done with it. A check holds pages of many MiB
// one after another; freed, they must leave the process, not stay in the allocator's arenas
// for a later block that may never come.

// Large blocks (pages, records) are given memory of their own, which goes back to the system the
// moment they are freed, whatever their size and however often such blocks came before. (The
// C library otherwise raises its bar for that after each large block freed, and keeps the next
// ones.) Called once before the first job starts; later calls do nothing.
void KeepLargeBlocksReturnable();
