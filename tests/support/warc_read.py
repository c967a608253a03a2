#!/usr/bin/env python3
"""Reads a gzip-compressed WARC file on its own terms and prints its records as JSON.

Checks what a reader of web archives relies on: each record is one gzip member, starts with
"WARC/1.1", has the mandatory fields, a block of exactly Content-Length bytes followed by
CRLF CRLF, and block and payload digests (sha1, base 32) that match. Exits 1 with the reason
on the first fault. Python 3 standard library only.
"""

import base64
import hashlib
import json
import sys
import zlib

MANDATORY = ("WARC-Type", "WARC-Record-ID", "WARC-Date", "Content-Length")


class WarcFault(Exception):
    pass


def members(data):
    """The gzip members of data, decompressed, one by one."""
    while data:
        inflater = zlib.decompressobj(wbits=31)
        member = inflater.decompress(data)
        if not inflater.eof:
            raise WarcFault("a gzip member is cut short")
        yield member
        data = inflater.unused_data


def digest(data):
    return "sha1:" + base64.b32encode(hashlib.sha1(data).digest()).decode("ascii")


def parse_record(member):
    head_end = member.find(b"\r\n\r\n")
    if head_end < 0:
        raise WarcFault("a record head has no end")
    lines = member[:head_end].decode("utf-8").split("\r\n")
    if lines[0] != "WARC/1.1":
        raise WarcFault("a record starts with %r" % lines[0])
    fields = {}
    for line in lines[1:]:
        name, sep, value = line.partition(":")
        if not sep:
            raise WarcFault("a field line without a colon: %r" % line)
        fields.setdefault(name.strip(), []).append(value.strip())
    for name in MANDATORY:
        if name not in fields:
            raise WarcFault("a record lacks %s" % name)
    length = int(fields["Content-Length"][0])
    block = member[head_end + 4:head_end + 4 + length]
    if len(block) != length or member[head_end + 4 + length:] != b"\r\n\r\n":
        raise WarcFault("a block is not Content-Length bytes followed by CRLF CRLF")
    return fields, block


def check_digests(fields, block, payload):
    if "WARC-Block-Digest" in fields and fields["WARC-Block-Digest"][0] != digest(block):
        raise WarcFault("block digest differs")
    if "WARC-Payload-Digest" in fields and fields["WARC-Payload-Digest"][0] != digest(payload):
        raise WarcFault("payload digest differs")


def http_parts(block):
    end = block.find(b"\r\n\r\n")
    if end < 0:
        raise WarcFault("an HTTP message has no end of its head")
    return block[:end + 4], block[end + 4:]


def read(path):
    with open(path, "rb") as handle:
        data = handle.read()
    records = []
    for member in members(data):
        fields, block = parse_record(member)
        record = {name: values[0] for name, values in fields.items()}
        record["WARC-Concurrent-To"] = fields.get("WARC-Concurrent-To", [])
        if fields.get("Content-Type", [""])[0].startswith("application/http"):
            head, payload = http_parts(block)
            record["http-head"] = head.decode("latin-1")
            record["payload"] = base64.b64encode(payload).decode("ascii")
        else:
            payload = block
            record["block"] = block.decode("utf-8")
        check_digests(fields, block, payload)
        records.append(record)
    return records


def main():
    if len(sys.argv) != 2:
        print("usage: warc_read.py FILE.warc.gz", file=sys.stderr)
        return 2
    try:
        records = read(sys.argv[1])
    except (WarcFault, OSError, zlib.error, ValueError, UnicodeDecodeError) as fault:
        print("warc_read.py: %s" % fault, file=sys.stderr)
        return 1
    json.dump(records, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
