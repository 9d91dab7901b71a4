#!/usr/bin/env python3
"""Disc IDs computed from the documented algorithms, apart from libdiscid.

Usage: disc_ids.py LEAD_OUT KIND:START...  (sectors from the program area,
KIND A for audio, D for data). Prints the MusicBrainz disc ID, then the
freedb ID.
"""
import base64
import hashlib
import sys

LEAD_IN = 150
SESSION_GAP = 11400


def musicbrainz_id(first, last, lead_out, starts):
    text = "%02X%02X%08X" % (first, last, lead_out + LEAD_IN)
    offsets = [start + LEAD_IN for start in starts] + [0] * (99 - len(starts))
    text += "".join("%08X" % offset for offset in offsets)
    digest = hashlib.sha1(text.encode("ascii")).digest()
    return base64.b64encode(digest, altchars=b"._").decode("ascii").replace("=", "-")


def digit_sum(number):
    return sum(int(digit) for digit in str(number))


def freedb_id(lead_out, starts):
    seconds = [(start + LEAD_IN) // 75 for start in starts]
    checksum = sum(digit_sum(second) for second in seconds)
    length = (lead_out + LEAD_IN) // 75 - seconds[0]
    return "%08x" % (((checksum % 255) << 24) | (length << 8) | len(starts))


def main():
    lead_out = int(sys.argv[1])
    tracks = [(kind, int(start)) for kind, start in (arg.split(":") for arg in sys.argv[2:])]
    starts = [start for _, start in tracks]
    audio_starts, audio_lead_out = starts, lead_out
    if len(tracks) > 1 and tracks[-1][0] == "D" and tracks[-2][0] == "A" \
            and tracks[-1][1] - SESSION_GAP > tracks[-2][1]:
        audio_starts, audio_lead_out = starts[:-1], tracks[-1][1] - SESSION_GAP
    print(musicbrainz_id(1, len(audio_starts), audio_lead_out, audio_starts))
    print(freedb_id(lead_out, starts))


main()
