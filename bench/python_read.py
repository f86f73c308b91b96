"""One measurement of the Python package, in a process of its own (as a user
reads a file: into memory that is new to the process). Prints
"milliseconds peak-extra-MB dataframe-MB".
    python_read.py read|chunks|metadata|dask FILE

dask: every partition read on a cluster of two worker processes, started
(and savkit imported in each) before the clock starts; each partition's
length goes back, as a job that works on the partitions where they are.
metadata: read_metadata alone, the dictionary without the cases."""

import resource
import sys
import time

import numpy as np

import savkit


def rss_mb():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


def frame_mb(df):
    """What the frame holds: its arrays, and each str object once."""
    total, seen = 0, set()
    for name in df.columns:
        values = df[name].to_numpy()
        total += values.nbytes
        if values.dtype == object:
            for v in values:
                if id(v) not in seen:
                    seen.add(id(v))
                    total += sys.getsizeof(v)
    return total / 1e6


def on_two_workers(path):
    import distributed
    import savkit.dask

    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        client.run(lambda: __import__("savkit.dask"))
        start = time.perf_counter()
        ddf = savkit.dask.read_sav(path)  # partitions of the default size
        rows = ddf.map_partitions(len).compute().sum()
        elapsed = (time.perf_counter() - start) * 1000
    assert rows == savkit.read_metadata(path).row_count
    print(f"{elapsed:.0f} 0 0")


def main(mode, path):
    if mode == "dask":
        return on_two_workers(path)
    before = rss_mb()
    start = time.perf_counter()
    df = None
    if mode == "read":
        df, _ = savkit.read_sav(path)
    elif mode == "metadata":
        savkit.read_metadata(path)
    else:
        rows = 0
        for chunk in savkit.read_sav_chunks(path, 10_000):
            rows += len(chunk)
    elapsed = (time.perf_counter() - start) * 1000
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024 - before
    print(f"{elapsed:.1f} {peak:.0f} {frame_mb(df) if df is not None else 0:.0f}")


if __name__ == "__main__":
    np.seterr(all="ignore")
    main(sys.argv[1], sys.argv[2])
