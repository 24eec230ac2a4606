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

from data_lists import fail, parse_id, read_rows, write_if_changed

HEADER = ["id", "key", "text"]
KEY_PATTERN = re.compile(r"^IDS_[A-Z0-9_]+$")
MAX_KEY_LENGTH = 1023  # the longest key the string table may hold
LANG_FIRST_LINE = "# QAV Localization File"


def read_strings(path):
    entries = []
    seen_ids = {}
    seen_keys = {}
    for line_number, (id_text, key, text) in read_rows(path, HEADER):
        string_id = parse_id(path, line_number, id_text)
        if not KEY_PATTERN.match(key) or len(key) > MAX_KEY_LENGTH:
            fail(path, line_number, f"key must be IDS_ followed by A-Z, 0-9 or _ (at most {MAX_KEY_LENGTH}), found '{key}'")
        if string_id in seen_ids:
            fail(path, line_number, f"id {string_id} is already used on line {seen_ids[string_id]}")
        if key in seen_keys:
            fail(path, line_number, f"key {key} is already used on line {seen_keys[key]}")
        seen_ids[string_id] = line_number
        seen_keys[key] = line_number
        entries.append((string_id, key, text))
    return sorted(entries)


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
