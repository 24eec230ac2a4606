"""Reading the TAB-separated lists in data/ and writing generated files, for the generators."""
import sys


def fail(path, line_number, message):
    sys.exit(f"{path}:{line_number}: {message}")


def read_rows(path, header):
    """Yields (line number, fields) for each row after the header line.

    Lines that are empty or begin with "#" are comments. Lines end with LF only, and every row has
    as many TAB-separated fields as the header.
    """
    header_seen = False
    with open(path, encoding="utf-8", newline="") as f:
        for line_number, raw in enumerate(f, start=1):
            line = raw.rstrip("\n")
            if line.endswith("\r"):
                fail(path, line_number, "lines end with LF only")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if not header_seen:
                if fields != header:
                    fail(path, line_number, f"expected the header {header}, found {fields}")
                header_seen = True
                continue
            if len(fields) != len(header):
                fail(path, line_number, f"expected {len(header)} TAB-separated columns, found {len(fields)}")
            yield line_number, fields
    if not header_seen:
        fail(path, 1, "no header line")


def parse_id(path, line_number, text):
    if not text.isdigit() or not 1 <= int(text) <= 65535:
        fail(path, line_number, f"id must be a number from 1 to 65535, found '{text}'")
    return int(text)


def write_if_changed(path, data):
    """Leaves an unchanged output alone, so that nothing which depends on it is rebuilt."""
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)
