"""G.711 mu-law and the IMA ADPCM blocks of the audio frames, and a tone source.

An IMA block of N samples: the first sample and the step index as little-endian words,
then N - 1 four-bit codes, four to a little-endian word starting in the low nibble.
"""

from __future__ import annotations

import math
import struct
from typing import List, Sequence, Tuple

STEPS = [7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80,
         88, 97, 107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408, 449, 494, 544, 598,
         658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552, 1707, 1878, 2066, 2272, 2499, 2749, 3024, 3327,
         3660, 4026, 4428, 4871, 5358, 5894, 6484, 7132, 7845, 8630, 9493, 10442, 11487, 12635, 13899, 15289,
         16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767]
INDEX_ADJUST = [-1, -1, -1, -1, 2, 4, 6, 8] * 2
RT_SAMPLES, REL_SAMPLES = 192, 505
RATE = 8000


def ulaw_encode(samples: Sequence[int]) -> bytes:
    out = bytearray()
    for s in samples:
        sign = 0x80 if s < 0 else 0
        mag = min(-s if s < 0 else s, 32635) + 132
        seg = max(0, mag.bit_length() - 8)
        out.append(~(sign | seg << 4 | (mag >> (seg + 3)) & 0x0F) & 0xFF)
    return bytes(out)


def ulaw_decode(data: bytes) -> List[int]:
    out = []
    for b in data:
        b = ~b & 0xFF
        mag = ((((b & 0x0F) << 3) + 132) << ((b >> 4) & 7)) - 132
        out.append(-mag if b & 0x80 else mag)
    return out


def _step(pred: int, index: int, code: int) -> Tuple[int, int]:
    step = STEPS[index]
    diff = step >> 3
    if code & 4:
        diff += step
    if code & 2:
        diff += step >> 1
    if code & 1:
        diff += step >> 2
    pred = max(-32768, min(32767, pred - diff if code & 8 else pred + diff))
    return pred, max(0, min(88, index + INDEX_ADJUST[code]))


def ima_encode(samples: Sequence[int], index: int = 0) -> Tuple[bytes, int]:
    """One block of all `samples`; returns it and the step index the next block starts with."""
    pred = samples[0]
    head = struct.pack("<hH", pred, index)
    codes = []
    for s in samples[1:]:
        diff, code, step = s - pred, 0, STEPS[index]
        if diff < 0:
            code, diff = 8, -diff
        if diff >= step:
            code |= 4
            diff -= step
        if diff >= step >> 1:
            code |= 2
            diff -= step >> 1
        if diff >= step >> 2:
            code |= 1
        pred, index = _step(pred, index, code)
        codes.append(code)
    codes += [0] * (-len(codes) % 4)
    words = [codes[i] | codes[i + 1] << 4 | codes[i + 2] << 8 | codes[i + 3] << 12 for i in range(0, len(codes), 4)]
    return head + struct.pack(f"<{len(words)}H", *words), index


def ima_decode(block: bytes, count: int) -> List[int]:
    pred, index = struct.unpack_from("<hH", block, 0)
    index = min(index, 88)
    out = [pred]
    for i in range(count - 1):
        byte = block[4 + i // 2] if 4 + i // 2 < len(block) else 0
        pred, index = _step(pred, index, byte >> 4 if i & 1 else byte & 0x0F)
        out.append(pred)
    return out


class Tone:
    """A continuous sine at `hz`, cut into frames of a given length."""

    def __init__(self, hz: float, amplitude: int = 8000):
        self.hz, self.amplitude, self.t = hz, amplitude, 0

    def samples(self, n: int) -> List[int]:
        w = 2 * math.pi * self.hz / RATE
        out = [int(self.amplitude * math.sin(w * (self.t + i))) for i in range(n)]
        self.t += n
        return out


def frame_data(fmt: int, samples: Sequence[int], index: int = 0) -> Tuple[bytes, int]:
    """Frame data of format 1 (mu-law) or 3 (IMA), with the running IMA step index."""
    if fmt == 3:
        return ima_encode(samples, index)
    return ulaw_encode(samples), index
