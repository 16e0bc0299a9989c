#pragma once
// Making a file call of the platform layer fail on purpose, in a test (see FaultPoint.h).

// Test seam: from now on the named point fails every call with error (only the next one, when
// once); 0 lets its calls run again. Yields false in a build without fault points (a test then
// has nothing to try).
bool FailAtFaultPointForTesting(const char* point, int error, bool once = false);
