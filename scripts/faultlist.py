"""What scripts/mutate.sh and scripts/mutate-windows.sh share: reading a fault
list, planting one fault in the scratch copy and putting the file back, and
the report at the end of a run."""
import contextlib
import os
import time


def faults(path):
    """The blocks of a list, each a dict of its "key: value" lines."""
    block = {}
    for line in open(path, encoding="utf-8").read().splitlines() + [""]:
        if not line.strip():
            if block:
                yield block
            block = {}
        elif not line.startswith("#"):
            key, _, value = line.partition(": ")
            block[key.strip()] = value


@contextlib.contextmanager
def planted(src, fault):
    """Plants the fault for the length of the block, then puts the file back
    with a fresh time, so that the next build sees it. Yields False, and
    leaves the file alone, when the fault's text does not occur in it exactly
    once (the entry is stale)."""
    target = os.path.join(src, fault["file"])
    original = open(target, encoding="utf-8").read()
    if original.count(fault["find"]) != 1:
        yield False
        return
    open(target, "w", encoding="utf-8").write(original.replace(fault["find"], fault["replace"]))
    try:
        yield True
    finally:
        open(target, "w", encoding="utf-8").write(original)
        os.utime(target)


class Tally:
    """The outcome of every fault tried, by list."""

    def __init__(self):
        self.started = time.time()
        self.results = {"caught": [], "missed": [], "stale": [], "no build": []}
        self.per_list = {}

    def record(self, list_name, outcome, fault):
        self.results[outcome].append(fault)
        counts = self.per_list.setdefault(list_name, [0, 0])
        if outcome in ("caught", "missed"):
            counts[0] += outcome == "caught"
            counts[1] += 1

    def report(self):
        """Prints the summary; the exit status: 0 only when every fault
        tried was caught and none was stale or failed to build."""
        results = self.results
        tried = len(results["caught"]) + len(results["missed"])
        print()
        print(f"run time {round(time.time() - self.started)} s")
        for kind in ("missed", "stale", "no build"):
            for fault in results[kind]:
                print(f"{kind}: {fault['id']} ({fault['file']})")
        for name, (caught, listed) in self.per_list.items():
            if listed:
                print(f"{name}: caught {caught} of {listed}")
        if tried:
            print(f"caught {len(results['caught'])} of {tried} faults "
                  f"({100 * len(results['caught']) // tried}%)")
        return 0 if not results["missed"] and not results["stale"] and not results["no build"] else 1
