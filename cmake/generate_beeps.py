"""Writes the two beeps the greeting in memory is framed with (beep1.wav before the user's
greeting, beep2.wav after it) as 16-bit mono PCM WAV files at 44,100 Hz.

    generate_beeps.py <output folder>

beep1 is a short high tone that tells the caller the program has answered; beep2 is the longer
tone after which the caller speaks. Each tone fades in and out over 5 ms so it does not click.
"""
import math
import struct
import sys
import wave

RATE = 44100
AMPLITUDE = 0.5 * 32767
FADE_SECONDS = 0.005

BEEPS = {
    "beep1.wav": [(880.0, 0.15)],
    "beep2.wav": [(0.0, 0.10), (1000.0, 0.40)],
}


def tone(frequency, seconds):
    count = int(RATE * seconds)
    fade = int(RATE * FADE_SECONDS)
    samples = []
    for i in range(count):
        gain = min(1.0, i / fade, (count - 1 - i) / fade) if fade else 1.0
        value = AMPLITUDE * gain * math.sin(2 * math.pi * frequency * i / RATE) if frequency else 0.0
        samples.append(int(round(value)))
    return samples


def main():
    folder = sys.argv[1]
    for name, parts in BEEPS.items():
        samples = []
        for frequency, seconds in parts:
            samples += tone(frequency, seconds)
        with wave.open(f"{folder}/{name}", "wb") as out:
            out.setnchannels(1)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(struct.pack(f"<{len(samples)}h", *samples))


if __name__ == "__main__":
    main()
