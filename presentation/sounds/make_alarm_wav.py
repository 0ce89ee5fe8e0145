#!/usr/bin/env python3
"""Writes alarm.wav, the alarm's sound: two short tones, high then low, 0.6 s in all, 22050 Hz
16-bit mono, each tone faded in and out so that it does not click. Run it again after a change."""
import math
import struct
import wave

RATE = 22050


def tone(freq, seconds, volume=0.6, fade=0.01):
    n = int(RATE * seconds)
    f = int(RATE * fade)
    out = []
    for i in range(n):
        gain = min(1.0, i / f, (n - 1 - i) / f)
        # A square-ish wave (fundamental and two odd harmonics) carries over small speakers.
        x = 2 * math.pi * freq * i / RATE
        s = math.sin(x) + math.sin(3 * x) / 3 + math.sin(5 * x) / 5
        out.append(int(32767 * volume * gain * s / 1.5))
    return out


samples = tone(988, 0.25) + [0] * int(RATE * 0.05) + tone(740, 0.3)
with wave.open("alarm.wav", "wb") as w:
    w.setnchannels(1)
    w.setsampwidth(2)
    w.setframerate(RATE)
    w.writeframes(b"".join(struct.pack("<h", s) for s in samples))
