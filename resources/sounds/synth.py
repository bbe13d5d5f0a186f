#!/usr/bin/env python3
"""Synthesises the table's three sounds: the chip click, the shuffle and the card snap.

Writes chip.wav, shuf.wav and card.wav (mono, 16-bit, 22050 Hz) beside this script.
The noise comes from a fixed seed, so every run writes the same files.
"""

import math
import os
import random
import struct
import wave

RATE = 22050
rng = random.Random(1032)


def silence(seconds):
    return [0.0] * int(seconds * RATE)


def lowpass(samples, cutoff):
    a = 1.0 - math.exp(-2.0 * math.pi * cutoff / RATE)
    out, y = [], 0.0
    for x in samples:
        y += a * (x - y)
        out.append(y)
    return out


def highpass(samples, cutoff):
    low = lowpass(samples, cutoff)
    return [x - l for x, l in zip(samples, low)]


def mix_into(target, source, at, gain=1.0):
    start = int(at * RATE)
    for i, s in enumerate(source):
        j = start + i
        if 0 <= j < len(target):
            target[j] += s * gain


def noise_burst(seconds, decay, attack=0.0004):
    n = int(seconds * RATE)
    out = []
    for i in range(n):
        t = i / RATE
        env = min(1.0, t / attack) * math.exp(-t * decay)
        out.append(rng.uniform(-1.0, 1.0) * env)
    return out


def ring(freqs, seconds, phase_jitter=True):
    """Damped partials: (frequency, amplitude, decay per second)."""
    n = int(seconds * RATE)
    phases = [rng.uniform(0, 2 * math.pi) if phase_jitter else 0.0 for _ in freqs]
    out = []
    for i in range(n):
        t = i / RATE
        v = 0.0
        for (f, amp, decay), ph in zip(freqs, phases):
            v += amp * math.exp(-t * decay) * math.sin(2 * math.pi * f * t + ph)
        out.append(v)
    return out


def normalise(samples, peak=0.85):
    top = max(abs(s) for s in samples) or 1.0
    return [s * peak / top for s in samples]


def fade_out(samples, seconds=0.01):
    n = min(len(samples), int(seconds * RATE))
    for i in range(n):
        samples[-1 - i] *= i / n
    return samples


def write(name, samples):
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), name)
    frames = b"".join(
        struct.pack("<h", max(-32767, min(32767, int(round(s * 32767))))) for s in samples)
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def clack(strength):
    """One strike of clay chip on chip: a bright tick over a short, hard ring."""
    tick = highpass(noise_burst(0.012, 900), 2500)
    body = ring([(3150, 0.60, 120), (4620, 0.50, 150), (6240, 0.34, 190), (8050, 0.16, 240),
                 (2180, 0.14, 95)], 0.09)
    out = [0.0] * len(body)
    mix_into(out, tick, 0, 0.9)
    mix_into(out, body, 0.0004, 0.7)
    return [s * strength for s in out]


def chip():
    # Two chips meeting: the strike and a softer bounce just after it.
    out = silence(0.13)
    mix_into(out, clack(1.0), 0.002)
    mix_into(out, clack(0.45), 0.028)
    mix_into(out, clack(0.15), 0.047)
    return fade_out(normalise(out, 0.8), 0.02)


def flick(brightness):
    """One card leaving the thumb: a papery tick."""
    burst = noise_burst(0.018, 260 + 200 * brightness, attack=0.0008)
    return lowpass(highpass(burst, 900), 3600 + 2600 * brightness)


def shuffle():
    # A riffle: the two halves let go of about fifty cards, slow at first, quicker in the
    # middle, slowing again, then the bridge pushes the deck together.
    length = 0.8
    out = silence(length)
    t = 0.03
    while t < 0.60:
        progress = t / 0.60
        gap = 0.0135 - 0.0065 * math.sin(math.pi * progress)
        gain = 0.55 + 0.45 * math.sin(math.pi * min(1.0, progress * 1.2))
        mix_into(out, flick(rng.random()), t + rng.uniform(-0.0015, 0.0015),
                 gain * rng.uniform(0.7, 1.0))
        t += gap * rng.uniform(0.85, 1.15)
    # The bridge: a soft swell of noise as the halves slide together.
    n = int(0.2 * RATE)
    swell = []
    for i in range(n):
        x = i / n
        env = math.sin(math.pi * x) ** 2
        swell.append(rng.uniform(-1.0, 1.0) * env)
    swell = lowpass(highpass(swell, 400), 2200)
    mix_into(out, swell, 0.59, 0.5)
    return fade_out(normalise(out, 0.75), 0.03)


def card():
    # A card snapped down onto the cloth: a sharp crack and a dull thump of the felt.
    out = silence(0.15)
    crack = lowpass(highpass(noise_burst(0.06, 85, attack=0.0006), 1200), 6500)
    mix_into(out, crack, 0.002, 1.0)
    thump = ring([(170, 0.8, 60), (260, 0.4, 80)], 0.1, phase_jitter=False)
    mix_into(out, thump, 0.003, 0.35)
    slap = lowpass(noise_burst(0.03, 140), 900)
    mix_into(out, slap, 0.0025, 0.8)
    return fade_out(normalise(out, 0.8), 0.02)


if __name__ == "__main__":
    write("chip.wav", chip())
    write("shuf.wav", shuffle())
    write("card.wav", card())
