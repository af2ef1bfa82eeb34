#!/usr/bin/env python3
"""Reference values for the envelope tests.

Evaluates a handful of LightWave-style curves straight from the written
formulas (key shapes, tangents, behaviours, the two-dimensional Bezier span),
in double precision and without any of the engine's code, and prints them as
the table that test_scene_anim compares the engine against:

    curve <name> <pre> <post> <key count>
    key <value> <time> <shape> <tension> <continuity> <bias> <p0> <p1> <p2> <p3>
    sample <t> <value>
    end

Key fields and sample times are rounded to single precision first, because
that is what the engine stores. Regenerate with
    python3 tests/scene_anim/envelope_reference.py > tests/scene_anim/envelope_reference.txt
"""
import math
import struct


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


class K:
    def __init__(self, value, time, shape, t=0.0, c=0.0, b=0.0, p=(0.0, 0.0, 0.0, 0.0)):
        self.value, self.time, self.shape = f32(value), f32(time), shape
        self.tension, self.continuity, self.bias = f32(t), f32(c), f32(b)
        self.p = [f32(v) for v in p]


def ordered(keys):
    # Stable by time: among equal times the later key stays later.
    return sorted(keys, key=lambda k: k.time)


def tangent_out(keys, i):
    """Tangent leaving keys[i] toward keys[i + 1]."""
    k, n = keys[i], keys[i + 1]
    p = keys[i - 1] if i > 0 else None
    scale = (n.time - k.time) / (n.time - p.time) if p else 1.0
    if k.shape == 0:
        a = (1 - k.tension) * (1 + k.continuity) * (1 + k.bias)
        b = (1 - k.tension) * (1 - k.continuity) * (1 - k.bias)
        d = n.value - k.value
        return scale * (a * (k.value - p.value) + b * d) if p else b * d
    if k.shape in (1, 2, 6):
        return k.p[1] * scale
    if k.shape == 3:
        d = n.value - k.value
        return scale * ((k.value - p.value) + d) if p else d
    if k.shape == 5:
        x = k.p[3] * (n.time - k.time)
        return x / k.p[2] if abs(k.p[2]) > 0.00001 else x * 100000.0
    return 0.0


def tangent_in(keys, i):
    """Tangent arriving at keys[i + 1] from keys[i]."""
    k, n = keys[i], keys[i + 1]
    q = keys[i + 2] if i + 2 < len(keys) else None
    scale = (n.time - k.time) / (q.time - k.time) if q else 1.0
    if n.shape == 0:
        a = (1 - n.tension) * (1 - n.continuity) * (1 + n.bias)
        b = (1 - n.tension) * (1 + n.continuity) * (1 - n.bias)
        d = n.value - k.value
        return scale * (b * (q.value - n.value) + a * d) if q else a * d
    if n.shape in (1, 2, 6):
        return n.p[0] * scale
    if n.shape == 3:
        d = n.value - k.value
        return scale * ((q.value - n.value) + d) if q else d
    if n.shape == 5:
        x = n.p[1] * (n.time - k.time)
        return x / n.p[0] if abs(n.p[0]) > 0.00001 else x * 100000.0
    return 0.0


def cubic(p0, p1, p2, p3, s):
    # Bernstein form; algebraically the same polynomial as the power form.
    r = 1.0 - s
    return r * r * r * p0 + 3 * r * r * s * p1 + 3 * r * s * s * p2 + s * s * s * p3


def span_bezier2(k, n, t):
    x1 = k.time + (k.p[2] if k.shape == 5 else (n.time - k.time) * 0.33333334)
    xs = (k.time, x1, n.time + n.p[0], n.time)
    lo, hi = 0.0, 1.0
    for _ in range(256):
        m = (lo + hi) / 2
        x = cubic(*xs, m)
        if abs(t - x) <= 0.0001:
            break
        if x > t:
            hi = m
        else:
            lo = m
    else:
        m = (lo + hi) / 2
    y1 = k.value + (k.p[3] if k.shape == 5 else k.p[1] * 0.33333334)
    return cubic(k.value, y1, n.value + n.p[1], n.value, m)


def fold(t, lo, hi):
    """Time folded into [lo, hi] and the whole periods removed (negative before)."""
    r = hi - lo
    if r == 0:
        return lo, 0
    periods = math.floor((t - lo) / r)
    return t - r * periods, periods


def value_at(keys, pre, post, t):
    if not keys:
        return 0.0
    if len(keys) == 1:
        return keys[0].value
    first, last = keys[0], keys[-1]
    offset = 0.0
    if t < first.time or t > last.time:
        before = t < first.time
        mode = pre if before else post
        if mode == 0:
            return 0.0
        if mode == 1:
            return first.value if before else last.value
        if mode == 5:
            if before:
                return first.value + tangent_out(keys, 0) / (keys[1].time - first.time) * (t - first.time)
            return last.value + tangent_in(keys, len(keys) - 2) / (last.time - keys[-2].time) * (t - last.time)
        t, periods = fold(t, first.time, last.time)
        if mode == 3 and periods % 2 != 0:
            # Forth and back: odd periods run the key range backwards (both ends).
            t = first.time + last.time - t
        if mode == 4:
            offset = periods * (last.value - first.value)
    i = 0
    while i + 1 < len(keys) and t > keys[i + 1].time:
        i += 1
    k = keys[i]
    if t == k.time:
        return k.value + offset
    n = keys[i + 1]
    if t == n.time:
        return n.value + offset
    u = (t - k.time) / (n.time - k.time)
    if n.shape in (0, 1, 2, 6):
        h2 = 3 * u * u - 2 * u ** 3
        v = ((1 - h2) * k.value + h2 * n.value + (u ** 3 - 2 * u * u + u) * tangent_out(keys, i)
             + (u ** 3 - u * u) * tangent_in(keys, i))
    elif n.shape == 3:
        v = k.value + u * (n.value - k.value)
    elif n.shape == 4:
        v = k.value
    elif n.shape == 5:
        v = span_bezier2(k, n, t)
    else:
        v = 0.0
    return v + offset


CURVES = [
    ("tcb", 0, 1, [K(0, 0, 0), K(3, 1, 0, t=0.5, c=-0.25, b=0.25), K(-1, 2.5, 0, t=-0.5, c=0.5, b=-0.5),
                   K(2, 4, 0, b=1.0)]),
    ("hermite", 2, 3, [K(1, 0, 1, p=(0, 2, 0, 0)), K(4, 2, 1, p=(-1, 0.5, 0, 0)), K(0, 3, 1, p=(3, -2, 0, 0))]),
    ("bezier_oscillate_late_start", 3, 4, [K(2, 1, 2, p=(0, 1, 0, 0)), K(5, 3, 2, p=(0.5, -1, 0, 0)),
                                           K(3, 6, 2, p=(2, 0, 0, 0))]),
    ("linear", 4, 5, [K(0, 0, 3), K(8, 4, 3), K(6, 5, 3)]),
    ("stepped", 5, 2, [K(1, 0, 4), K(3, 1, 4), K(-2, 2, 4), K(5, 3.5, 4)]),
    ("bezier2", 1, 0, [K(0, 0, 5, p=(0, 0, 0.5, 2)), K(4, 2, 5, p=(-0.75, -1, 0.25, 0.5)),
                       K(1, 3, 5, p=(-0.5, 0.5, 0, 0))]),
    ("bezier2_zero_handles", 1, 1, [K(0, 0, 5), K(2, 1, 5), K(-1, 2, 5)]),
    ("mixed", 5, 5, [K(0, 0, 0), K(2, 1, 3), K(3, 2, 4), K(1, 3, 5, p=(-0.3, 0.5, 0.3, -0.5)),
                     K(4, 4.5, 1, p=(1, -1, 0, 0)), K(2, 6, 6, p=(0.5, 0.25, 0, 0)), K(0, 7, 0, t=0.25)]),
    ("unknown_shape", 1, 1, [K(1, 0, 0), K(5, 1, 7), K(2, 2, 3)]),
]


def main():
    for name, pre, post, keys in CURVES:
        keys = ordered(keys)
        lo, hi = keys[0].time, keys[-1].time
        r = hi - lo
        print(f"curve {name} {pre} {post} {len(keys)}")
        for k in keys:
            print("key %.9g %.9g %d %.9g %.9g %.9g %.9g %.9g %.9g %.9g" % (
                k.value, k.time, k.shape, k.tension, k.continuity, k.bias, *k.p))
        steps = 64
        for j in range(steps + 1):
            t = f32(lo - 1.75 * r + j * (4.5 * r) / steps)
            print("sample %.9g %.9g" % (t, value_at(keys, pre, post, t)))
        for k in keys:
            print("sample %.9g %.9g" % (k.time, value_at(keys, pre, post, k.time)))
        print("end")


if __name__ == "__main__":
    main()
