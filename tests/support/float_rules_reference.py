#!/usr/bin/env python3
"""The game's float rules written out a second time, in Python, to give
tests/unit/test_float_rules.cpp its expected bit patterns.

Python floats are doubles and its math module calls the C library's cos,
sin, atan2 and pow, so a value "rounded to float" here is exactly what the
game must store. Run it and paste what it prints into the test when a rule
changes on purpose; the test then pins the new numbers in every build type.
"""
import math
import struct

PI = 3.1415927410125732      # the single-precision pi, widened
TWO_PI = 6.2831854820251465


def f32(x):
    return struct.unpack('<f', struct.pack('<f', x))[0]


def bits(x):
    return struct.unpack('<I', struct.pack('<f', x))[0]


def fnv(h, value):
    for b in struct.pack('<I', value):
        h = ((h ^ b) * 0x01000193) & 0xFFFFFFFF
    return h


class Twister:
    """The game's generator: MT19937 whose seeding discards a million outputs."""

    def __init__(self, seed):
        self.mt = [seed]
        for i in range(1, 624):
            prev = self.mt[-1]
            self.mt.append((1812433253 * (prev ^ (prev >> 30)) + i) & 0xFFFFFFFF)
        self.index = 624
        for _ in range(1000000):
            self.next()

    def next(self):
        if self.index >= 624:
            mt = self.mt
            for k in range(624):
                y = (mt[k] & 0x80000000) | (mt[(k + 1) % 624] & 0x7FFFFFFF)
                mt[k] = mt[(k + 397) % 624] ^ (y >> 1) ^ (0x9908B0DF if y & 1 else 0)
            self.index = 0
        y = self.mt[self.index]
        self.index += 1
        y ^= y >> 11
        y ^= (y << 7) & 0x9D2C5680
        y ^= (y << 15) & 0xEFC60000
        y ^= y >> 18
        return y


def direction(draw):
    return f32((draw % 100) * PI / 100.0)


def bounce(vx, vy, paddle_angle):
    a = f32(math.atan2(vy, vx))
    t = f32(2.0 * (paddle_angle - a))
    c = f32(math.cos(t))
    s = f32(math.sin(t))
    return f32(c * vx - s * vy), f32(s * vx + c * vy)


def bounces():
    # A die resting on the paddle's centre, bounced again and again; the
    # paddle's angle walks around the circle.
    vx, vy = f32(0.75), f32(2.5)
    h = 0x811C9DC5
    first = None
    for n in range(300):
        vy = f32(vy + f32(0.01))              # gravity comes before the bounce
        vx, vy = bounce(vx, vy, f32(((n * 37) % 200) * PI / 100.0 - PI))
        first = first or (vx, vy)
        h = fnv(fnv(h, bits(vx)), bits(vy))
    return first, (vx, vy), h


def paddle_turns():
    angle = 0.0
    h = 0x811C9DC5
    for i in range(600):
        phase = (i // 45) % 3
        spin = f32(-0.05) if phase == 0 else (f32(0.05) if phase == 1 else 0.0)
        angle = f32(angle + spin)
        if angle < 0.0:
            angle = f32(angle + TWO_PI)
        if angle > PI:
            angle = f32(angle - TWO_PI)
        h = fnv(h, bits(angle))
    return angle, h


def spawns_and_rebounds():
    gen = Twister(20261208)
    h = 0x811C9DC5
    for _ in range(200):                       # new dice: direction, then face
        vx = f32(f32(math.cos(direction(gen.next()))) * 0.5)
        h = fnv(fnv(h, bits(vx)), gen.next() % 6)
    for _ in range(100):                       # dice thrown off a full slot
        a = direction(gen.next())
        h = fnv(fnv(h, bits(f32(f32(math.cos(a)) * 8.0))), bits(f32(f32(math.sin(a)) * 8.0)))
    return h


def hexf(x):
    return float.hex(x)


if __name__ == '__main__':
    first, last, h = bounces()
    print('bounce 1:', hexf(first[0]), hexf(first[1]))
    print('bounce 300:', hexf(last[0]), hexf(last[1]), 'digest 0x%08X' % h)
    angle, h = paddle_turns()
    print('paddle after 600 steps:', hexf(angle), 'digest 0x%08X' % h)
    print('spawns and rebounds: digest 0x%08X' % spawns_and_rebounds())
