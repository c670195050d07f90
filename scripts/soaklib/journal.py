"""Append-only journals: what each writer did, when (simulated), for the checks at the end.

One JSON object a line; a writer appends and flushes each record, so a line is whole or
missing, never half (the harness never kills the writers).
"""
import json


class Journal:
    def __init__(self, path):
        self.path = path
        self.file = open(path, "a")

    def write(self, **record):
        self.file.write(json.dumps(record, sort_keys=True) + "\n")
        self.file.flush()


def read(path):
    out = []
    try:
        with open(path) as f:
            for line in f:
                line = line.strip()
                if line:
                    out.append(json.loads(line))
    except FileNotFoundError:
        pass
    return out
