#!/usr/bin/env python3
"""Makes the table behind qav::FindResource from data/resources.tsv.

Each resource's bytes become a constant array in one C++ source; lookup is by type name and id.

usage: generate_resources.py RESOURCES_TSV DATA_DIR GENERATED_DIR CPP_OUT DEPFILE_OUT

The depfile names every listed file, so the build remakes the table when one of them changes.
"""
import os
import re
import sys

from data_lists import fail, parse_id, read_rows, write_if_changed

HEADER = ["type", "id", "path"]
TYPE_PATTERN = re.compile(r"^[A-Z][A-Z0-9_]*$")


def read_list(path, data_dir, generated_dir):
    entries = []
    seen = {}
    for line_number, (kind, id_text, file_path) in read_rows(path, HEADER):
        if not TYPE_PATTERN.match(kind):
            fail(path, line_number, f"type must be upper-case letters, digits or _, found '{kind}'")
        resource_id = parse_id(path, line_number, id_text)
        if (kind, resource_id) in seen:
            fail(path, line_number, f"{kind} {resource_id} is already listed on line {seen[(kind, resource_id)]}")
        seen[(kind, resource_id)] = line_number
        if file_path.startswith("generated/"):
            full_path = os.path.join(generated_dir, file_path[len("generated/"):])
        else:
            full_path = os.path.join(data_dir, file_path)
        try:
            with open(full_path, "rb") as resource:
                data = resource.read()
        except OSError as error:
            fail(path, line_number, f"cannot read {full_path}: {error.strerror}")
        entries.append((kind, resource_id, full_path, data))
    return sorted(entries)


def byte_rows(data):
    rows = []
    for start in range(0, len(data), 24):
        rows.append("    " + ",".join(str(b) for b in data[start:start + 24]) + ",")
    return "\n".join(rows)


def source(entries):
    arrays = "\n".join(
        f"constexpr uint8_t kData{index}[] = {{\n{byte_rows(data) if data else '    0,'}\n}};"
        for index, (_, _, _, data) in enumerate(entries))
    rows = "\n".join(
        f'    {{u"{kind}", {resource_id}, kData{index}, {len(data)}}},'
        for index, (kind, resource_id, _, data) in enumerate(entries))
    return f"""// Made by the build from data/resources.tsv; edit that list instead.
#include <cstddef>
#include <cstdint>

#include "platform/resources.h"

namespace qav {{

namespace {{

{arrays}

struct Resource {{
  std::u16string_view type;
  int id;
  const uint8_t* data;
  size_t size;
}};

constexpr Resource kResources[] = {{
{rows}
}};

}}  // namespace

std::optional<std::span<const uint8_t>> FindResource(std::u16string_view type, int id) {{
  for (const Resource& resource : kResources) {{
    if (resource.id == id && resource.type == type) return std::span<const uint8_t>(resource.data, resource.size);
  }}
  return std::nullopt;
}}

}}  // namespace qav
""".encode("utf-8")


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    list_path, data_dir, generated_dir, out, depfile = sys.argv[1:]
    entries = read_list(list_path, data_dir, generated_dir)
    with open(depfile, "w", encoding="utf-8") as f:
        f.write(out.replace(" ", "\\ ") + ": " + " ".join(p.replace(" ", "\\ ") for _, _, p, _ in entries) + "\n")
    write_if_changed(out, source(entries))


if __name__ == "__main__":
    main()
