// sin, cos and atan2 that give the same bits on every platform. The C
// libraries disagree in the last bit now and then (glibc and the mingw
// runtime do, on positions written to the KEL file), so the converter
// computes these in double-double arithmetic from additions,
// multiplications and divisions alone, which IEEE 754 defines exactly, and
// rounds once at the end: the result is the correctly rounded value except
// in cases far too rare to meet.
//
// Platform-exact for |x| below 2^20 (sin, cos) and for finite atan2
// arguments; outside that the C library's value is returned. Needs IEEE
// double arithmetic without extended intermediates (SSE2 on 32-bit x86) and
// without fused multiply-add contraction.
#pragma once

namespace jps {

double PortableSin(double x);
double PortableCos(double x);
double PortableAtan2(double y, double x);

}  // namespace jps
