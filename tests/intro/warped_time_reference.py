#!/usr/bin/env python3
"""Reference table of the Intro's stutter clock, computed from its definition
with every operation rounded to IEEE single precision (each +, -, *, / is
done in double and rounded once, which gives the correctly rounded single
result). Prints "beat warpedTime" as hexadecimal float bits, one per line.
Run: python3 warped_time_reference.py > warped_time_reference.txt"""
import math
import struct


def f32(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


def bits(x):
    return struct.unpack('<I', struct.pack('<f', x))[0]


def smoothstep(u):
    return f32(f32(u * u) * f32(3.0 - f32(2.0 * u)))


def pulse(a, b, x):
    u = f32(f32(x - a) / f32(b - a))
    u = min(max(u, 0.0), 1.0)
    return f32((1.0 if x <= a else 0.0) - smoothstep(u))


def stutter(a, b, x, d):
    if not (a <= x < b):
        return 0.0
    f = f32(math.fmod(f32(f32(x - a) + d), 16.0))
    total = 0.0
    for hit in (0.0, 2.0, 4.0, 8.0, 10.0, 12.0):
        total = f32(total + pulse(hit, hit + 0.25, f))
    return -total


def warped(beat):
    if beat <= 4.0:
        return f32(beat - f32(f32(0.25 * pulse(0.0, 0.25, beat)) + 2.0))
    t = f32(f32(0.25 * stutter(0.0, 16.0, beat, -4.0)) - (2.0 if beat < 16.0 else 0.0))
    t = f32(t + beat)
    t = f32(t + f32(0.25 * stutter(16.0, 32.0, beat, -4.0)))
    t = f32(t + f32(0.5 * stutter(32.0, 64.0, beat, -4.0)))
    return t


beats = [f32(b / 8.0) for b in range(0, 96 * 8 + 1)]
beats += [f32(x) for x in (0.1, 3.99, 4.01, 4.1, 6.05, 15.99, 16.01, 20.125, 31.99, 32.01, 36.2, 63.9, 64.01, 95.9)]
for b in beats:
    print('%08x %08x' % (bits(b), bits(warped(b))))
