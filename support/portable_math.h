// sin, cos and atan2 that give the same bits on every platform. The C
// libraries disagree in the last bit now and then (glibc and the mingw
// runtime do, on positions written to the KEL file), so the converter
// computes these in double-double arithmetic from additions,
// multiplications and divisions alone, which IEEE 754 defines exactly, and
// rounds once at the end: the result is the correctly rounded value except
// in cases far too rare to meet.
//
// A table of sin and cos at multiples of 1/128 gives the value to about
// 2^-67 in some fifty nanoseconds; when that is too close to a rounding
// boundary to settle the last bit (a few times in a thousand) the Taylor
// series, good to about 2^-104, decides. Either way the bits are the same.
// atan2 refines an angle of its own (a small arctangent table, good to
// 2^-30) by one Newton step on the same sin and cos.
//
// Platform-exact for |x| below 2^20 (sin, cos) and for finite atan2
// arguments; outside that the C library's value is returned. Needs IEEE
// double arithmetic without extended intermediates (SSE2 on 32-bit x86) and
// without fused multiply-add contraction.
#pragma once

namespace jps {

constexpr double kPi = 3.141592653589793;  // the double nearest pi

double PortableSin(double x);
double PortableCos(double x);
double PortableAtan2(double y, double x);
// sin x and cos x together, from one argument reduction: the same bits as
// PortableSin and PortableCos.
void PortableSinCos(double x, double* sine, double* cosine);
// PortableAtan2(y, x), with the PortableSin and PortableCos of the angle it
// returns (taken mostly from the sine and cosine that refined the angle).
double PortableAtan2SinCos(double y, double x, double* sine, double* cosine);

// The same functions by Taylor series alone, with no table and no shortcut
// (atan2 refining the C library's angle): slow, and kept to check the fast
// ones against.
namespace reference {
double Sin(double x);
double Cos(double x);
double Atan2(double y, double x);
}  // namespace reference

}  // namespace jps
