#!/usr/bin/env python3
"""Makes the program's string data from data/strings.tsv.

Writes three files:
  ZV_EN.lang        the built-in English language file (UTF-16LE with byte-order mark, CR LF),
  string_table.cpp  the id-to-key table behind qav::LoadStringResource,
  string_ids.h      one constant per string id, named after its key.

usage: generate_strings.py STRINGS_TSV LANG_OUT TABLE_CPP_OUT IDS_HEADER_OUT
"""
import re
import sys

HEADER = ["id", "key", "text"]
KEY_PATTERN = re.compile(r"^IDS_[A-Z0-9_]+$")
MAX_KEY_LENGTH = 1023  # the longest key the string table may hold
LANG_FIRST_LINE = "# QAV Localization File"


def fail(path, line_number, message):
    sys.exit(f"{path}:{line_number}: {message}")


def read_strings(path):
    entries = []
    seen_ids = {}
    seen_keys = {}
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
                if fields != HEADER:
                    fail(path, line_number, f"expected the header {HEADER}, found {fields}")
                header_seen = True
                continue
            if len(fields) != 3:
                fail(path, line_number, f"expected 3 TAB-separated columns, found {len(fields)}")
            id_text, key, text = fields
            if not id_text.isdigit() or not 1 <= int(id_text) <= 65535:
                fail(path, line_number, f"id must be a number from 1 to 65535, found '{id_text}'")
            string_id = int(id_text)
            if not KEY_PATTERN.match(key) or len(key) > MAX_KEY_LENGTH:
                fail(path, line_number, f"key must be IDS_ followed by A-Z, 0-9 or _ (at most {MAX_KEY_LENGTH}), found '{key}'")
            if string_id in seen_ids:
                fail(path, line_number, f"id {string_id} is already used on line {seen_ids[string_id]}")
            if key in seen_keys:
                fail(path, line_number, f"key {key} is already used on line {seen_keys[key]}")
            seen_ids[string_id] = line_number
            seen_keys[key] = line_number
            entries.append((string_id, key, text))
    if not header_seen:
        fail(path, 1, "no header line")
    return sorted(entries)


def write_if_changed(path, data):
    # Leaves an unchanged output alone so that nothing which depends on it is rebuilt.
    try:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    except OSError:
        pass
    with open(path, "wb") as f:
        f.write(data)


def lang_file(entries):
    lines = [LANG_FIRST_LINE, "# Built-in English texts of QAV.", ""]
    lines += [f'{key} "{text}"' for _, key, text in entries]
    return b"\xff\xfe" + "".join(line + "\r\n" for line in lines).encode("utf-16-le")


def string_table(entries):
    rows = "\n".join(f'    {{{string_id}, u"{key}"}},' for string_id, key, _ in entries)
    return f"""// Made by the build from data/strings.tsv; edit that file instead.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "platform/resources.h"

namespace qav {{

namespace {{

struct StringKey {{
  int id;
  std::u16string_view key;
}};

// Sorted by id.
constexpr StringKey kStringKeys[] = {{
{rows}
}};

}}  // namespace

std::u16string_view LoadStringResource(int id) {{
  const auto found = std::lower_bound(std::begin(kStringKeys), std::end(kStringKeys), id,
                                      [](const StringKey& entry, int wanted) {{ return entry.id < wanted; }});
  if (found == std::end(kStringKeys) || found->id != id) return {{}};
  return found->key;
}}

}}  // namespace qav
""".encode("utf-8")


def string_ids(entries):
    rows = "\n".join(f"inline constexpr int {key} = {string_id};" for string_id, key, _ in entries)
    return f"""// Made by the build from data/strings.tsv; edit that file instead.
//
// The string ids of the program, for GetLangString (foundation/language.h).
#pragma once

{rows}
""".encode("utf-8")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    source, lang_out, table_out, ids_out = sys.argv[1:]
    entries = read_strings(source)
    write_if_changed(lang_out, lang_file(entries))
    write_if_changed(table_out, string_table(entries))
    write_if_changed(ids_out, string_ids(entries))


if __name__ == "__main__":
    main()
