"""Reference G.711 mu-law and IMA ADPCM results from Python's audioop, for the codec tests.

audioop packs the first of two codes in the high nibble and has no block header, so this script
builds the block layout around it: header (first sample, step index), codes low nibble first,
a last odd code alone in a zero-padded byte.

  ulaw-compress IN OUT          IN: s16le samples; OUT: one mu-law byte each
  ima-encode N INDEX IN OUT     IN: frames of N s16le samples; OUT per frame: the block, the
                                block decoded in full (s16le), the final step index (s16le)
  ima-decode BYTES IN OUT       IN: blocks of BYTES bytes; OUT: each block decoded in full
"""
import audioop
import struct
import sys


def swap_nibbles(data):
    return bytes(((b & 0x0F) << 4) | (b >> 4) for b in data)


def samples(data):
    return struct.pack('<%dh' % len(data), *data)


def decode_block(block):
    first, index = struct.unpack_from('<hH', block)
    decoded, _ = audioop.adpcm2lin(swap_nibbles(block[4:]), 2, (first, index))
    return struct.pack('<h', first) + decoded


def encode_frame(frame, index):
    first, rest = frame[0], frame[1:]
    state = (first, index)
    even = len(rest) - len(rest) % 2
    codes, after_even = audioop.lin2adpcm(samples(rest[:even]), 2, state)
    codes = swap_nibbles(codes)
    if even < len(rest):
        # audioop drops a last odd code, so take it from a padded pair.
        pair, _ = audioop.lin2adpcm(samples([rest[-1], 0]), 2, after_even)
        codes += bytes([pair[0] >> 4])
    _, final_state = audioop.lin2adpcm(samples(rest), 2, state)
    block_bytes = 4 + 2 * ((len(rest) + 3) // 4)
    block = struct.pack('<hH', first, index) + codes
    block += bytes(block_bytes - len(block))
    return block, final_state[1]


def ima_encode(n, index, data):
    out = bytearray()
    count = len(data) // (2 * n)
    for f in range(count):
        frame = list(struct.unpack_from('<%dh' % n, data, 2 * n * f))
        block, index = encode_frame(frame, index)
        out += block + decode_block(block) + struct.pack('<h', index)
    return bytes(out)


def main(argv):
    mode = argv[1]
    if mode == 'ulaw-compress':
        result = audioop.lin2ulaw(open(argv[2], 'rb').read(), 2)
        out_path = argv[3]
    elif mode == 'ima-encode':
        result = ima_encode(int(argv[2]), int(argv[3]), open(argv[4], 'rb').read())
        out_path = argv[5]
    elif mode == 'ima-decode':
        size = int(argv[2])
        data = open(argv[3], 'rb').read()
        result = b''.join(decode_block(data[i:i + size]) for i in range(0, len(data), size))
        out_path = argv[4]
    else:
        sys.exit('unknown mode ' + mode)
    open(out_path, 'wb').write(result)


if __name__ == '__main__':
    main(sys.argv)
