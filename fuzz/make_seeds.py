#!/usr/bin/env python3
"""Makes the fuzz targets' seed corpora in fuzz/corpus/<target>/ (committed; run again to remake).

Sounds come from sox, lame and espeak-ng, as a user's greetings and a caller's voice would; texts
are the call client's lines the tests use (seeds/call_client_lines.txt) and small files in the
formats the program writes. Seeds stay small: a fuzzer mutates a few hundred bytes much faster than
a few hundred kilobytes.

    fuzz/make_seeds.py [language file]   the language file defaults to the one a build makes
"""
import base64
import pathlib
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"


def run(*command):
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def put(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data.encode() if isinstance(data, str) else data)


def utf16(text, mark=True):
    return (b"\xff\xfe" if mark else b"") + text.encode("utf-16-le")


def sounds(work):
    """WAV and MP3 files of several layouts, keyed by a short name."""
    made = {}
    voice = work / "voice.wav"
    run("espeak-ng", "-s", "220", "-w", str(voice), "Hello")
    # name: sox's output options, then the sound (the voice's first quarter second, or a tone).
    wavs = {
        "voice8k": (["-r", "8000", "-c", "1", "-b", "16"], None),
        "beep44k": (["-r", "44100", "-c", "1", "-b", "16"], ["synth", "0.03", "sine", "1000"]),
        "stereo22k": (["-r", "22050", "-c", "2", "-b", "16"], ["synth", "0.02", "sine", "440"]),
        "u8_11k": (["-r", "11025", "-c", "1", "-b", "8"], ["synth", "0.02", "square", "300"]),
        "float16k": (["-r", "16000", "-c", "1", "-e", "floating-point", "-b", "32"], ["synth", "0.02", "sine", "500"]),
        "s24_48k_4ch": (["-r", "48000", "-c", "4", "-b", "24"], ["synth", "0.005", "sine", "700"]),
        "alaw8k": (["-r", "8000", "-c", "1", "-e", "a-law"], ["synth", "0.02", "sine", "400"]),
    }
    for name, (options, tone) in wavs.items():
        out = work / f"{name}.wav"
        if tone is None:
            run("sox", "-R", "-D", str(voice), *options, str(out), "trim", "0", "0.25")
        else:
            run("sox", "-R", "-D", "-n", *options, str(out), *tone)
        made[name] = out.read_bytes()
    mp3s = {
        "cbr32_8k": ["-b", "32", "--resample", "8"],
        "vbr_22k": ["-V", "6", "--resample", "22.05"],
        "cbr64_44k_tagged": ["-b", "64", "--tt", "Caller One", "--ta", "echo123", "--ty", "2026", "--id3v2-only"],
        "mono_16k_nobit": ["-b", "24", "--resample", "16", "-t"],
    }
    for name, options in mp3s.items():
        out = work / f"{name}.mp3"
        source = work / "beep44k.wav" if name.startswith("cbr64") else voice
        run("lame", "--quiet", *options, str(source), str(out))
        made[name] = out.read_bytes()[:3000]
    return made


def bus_frame(kind, message, data=b"", data_kind=0, flags=0x0F, extra=0):
    header = struct.pack("<IBBBBIIQQQqQ", 0x42564151, 1, kind, 0, data_kind, message, len(data), 7, 0, 0, 0, extra)
    frame = header + data
    return bytes([flags]) + struct.pack("<H", len(frame)) + frame


def envelope(text, key):
    """The server string envelope (foundation/server_string.h) around the text."""
    rest = "%02x" % key + base64.b64encode(bytes(b ^ key for b in text.encode())).decode()
    crc = zlib.crc32(rest.encode())
    return ("%08x" if crc & 2 else "%08X") % crc + rest


def http_reply(status, reason, content_type, body):
    """A reply as the web server's stand-in (sim/web_server_stand_in.cpp) sends it."""
    body = body.encode() if isinstance(body, str) else body
    return (f"HTTP/1.1 {status} {reason}\r\nContent-Type: {content_type}\r\nContent-Length: {len(body)}\r\n"
            "Connection: close\r\n\r\n").encode() + body


def version_check_document(**values):
    """The stand-in's version-check reply document, with the options it was started with."""
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', "<Zarvelin_XML_Info>", "  <QAV>"]
    for name, value in values.items():
        attributes = ""
        if isinstance(value, tuple):
            value, attributes = value
        lines.append(f"    <{name}{' ' + attributes if attributes else ''}>{value}</{name}>")
    return "\r\n".join(lines + ["  </QAV>", "</Zarvelin_XML_Info>", ""])


def elf_note(kind, name, desc, name_size=None, desc_size=None):
    """One ELF note: the header with the sizes given (the true ones by default), name and
    description each padded to four bytes."""
    data = struct.pack("<III", len(name) if name_size is None else name_size,
                       len(desc) if desc_size is None else desc_size, kind)
    for part in (name, desc):
        data += part + b"\0" * (-len(part) % 4)
    return data


def http_seeds():
    """HTTP replies: the stand-in's, the tests' HTTPS server's, and the shapes a server may send."""
    latest = version_check_document(UpdateCheckPeriodSec="86400", ShowCheckForUpdateBtn="0",
                                    ReportProblemUsingWebPage="1", IsSkypeCertified="1",
                                    LatestVer=("5.1.0.0", 'sLink="http://downloads.example/qav.exe" CritialUpdate="1"'),
                                    MinimunVersion=" 42 and more")
    stand_in = {
        "ok": http_reply(200, "OK", "text/plain", "OK"),
        "not_found": http_reply(404, "Not Found", "text/plain", "no such page"),
        "see_other": b"HTTP/1.1 303 See Other\r\nLocation: /qav/landed/\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                     + http_reply(200, "OK", "text/plain", "landed"),
        "keep_method": b"HTTP/1.1 307 Temporary Redirect\r\nLocation: /qav/landed/\r\nContent-Length: 0\r\n"
                       b"Connection: close\r\n\r\n",
        "garbage_status": b"GARBAGE FROM THE SERVER\r\n\r\nnothing here",
        "cut_reply": http_reply(200, "OK", "text/plain", "A" * 200).replace(b"Length: 200", b"Length: 10485760"),
        "wrong_type": http_reply(200, "OK", "application/xml", envelope(latest, 0x3C) + "\r\n"),
        "version_check": http_reply(200, "OK", "text/plain", envelope(latest, 0x5A) + "\r\n"),
        "bad_request": http_reply(400, "Bad Request", "text/plain", "info is not an enveloped Zarvelin_XML_Info document"),
    }
    by_hand = {
        "https_server": b"HTTP/1.1 200 OK\r\nServer: BaseHTTP/0.6 Python/3.12.3\r\nDate: Thu, 10 Dec 2026 14:30:05 GMT\r\n"
                        b"Content-Type: text/plain\r\nContent-Length: 6\r\n\r\nsecure",
        "continue_then_ok": b"HTTP/1.1 100 Continue\r\n\r\n" + http_reply(200, "OK", "text/plain; charset=utf-8", "x"),
        "headers": "HTTP/1.1 200 Grüße\r\nSet-Cookie: a=1\r\nset-cookie: b=2\r\nX-Empty:\r\nX-Blank:   \r\n"
                   "no colon here\r\n  folded continuation\r\nContent-Length: 18446744073709551616\r\n"
                   "Content-Type:text/html\r\n\r\n<html>body</html>".encode(),
        "lf_only": b"HTTP/1.0 204\nContent-Length: -1\nX-A: 1\n\n",
        "no_reason": b"HTTP/2 200\r\ncontent-type: TEXT/PLAIN\r\n\r\n" + b"\x00\xff body \r\n",
    }
    for choice, (name, reply) in enumerate({**stand_in, **by_hand}.items()):
        put("http_response", name, bytes([(choice * 37) & 0xFF]) + reply)

    # The version check's reply: enveloped as sent (even first byte), or the document that the
    # target wraps itself (odd first byte), so the fuzzer reaches the document past the checksum.
    for name in ("version_check", "wrong_type", "not_found", "garbage_status", "ok"):
        put("version_check_reply", name, b"\x00" + stand_in[name])
    documents = {
        "latest": latest,
        "other_root": latest.replace("Zarvelin_XML_Info", "Other_Root"),
        "numbers": version_check_document(UpdateCheckPeriodSec="  -0x7fffffff99", ShowCheckForUpdateBtn="+1zz",
                                          LatestVer="1.2.3.4.5", IsSkypeCertified="99999999999"),
        "attributes": version_check_document(LatestVer=("", "sLink='a&amp;b' CritialUpdate=1 sLink=\"second\"")),
    }
    for name, document in documents.items():
        put("version_check_reply", "wrapped_" + name, b"\x01" + http_reply(200, "OK", "text/plain", document))


def main():
    shutil.rmtree(CORPUS, ignore_errors=True)
    lines = (HERE / "seeds" / "call_client_lines.txt").read_text().splitlines()

    for i, line in enumerate(lines):
        put("skype_line", f"line{i:03}", line)
    put("skype_line", "all", "\n".join(lines))

    copy_data, send, post, get_title = 0x004A, 2, 1, 4
    put("bus_frame", "copydata", bus_frame(send, copy_data, b"CALL 1 STATUS RINGING", data_kind=1))
    put("bus_frame", "copydata_posted", bus_frame(post, copy_data, b"#3 PONG", data_kind=1))
    put("bus_frame", "settext", bus_frame(send, 0x000C, "Grüße".encode(), data_kind=2))
    put("bus_frame", "numbers", bus_frame(post, 0x8001, flags=0x0B) + bus_frame(send, 0x8002, flags=0x0B))
    put("bus_frame", "title_and_close", bus_frame(get_title, 0, flags=0x0B) + bus_frame(send, 0x0010, flags=0x0B))
    put("bus_frame", "mixed", b"".join(bus_frame(send, copy_data, line.encode(), data_kind=1) for line in lines[:8]))

    with tempfile.TemporaryDirectory() as work:
        made = sounds(pathlib.Path(work))
    wavs = {name: data for name, data in made.items() if not name.startswith(("cbr", "vbr", "mono"))}
    mp3s = {name: data for name, data in made.items() if name not in wavs}
    for name, data in wavs.items():
        put("wave_header", name, data[:512])
        put("voice_analysis", name, b"\x00" + data[:6000])
    for name, data in mp3s.items():
        put("mpeg_header", name, data[:1500])
        put("voice_analysis", name, b"\x01" + data[:3000])
        put("id3_tag", name, b"\x01Caller One\x00echo123\x002026\x00" + data[:1500])
    # A VBRI header whose table size, entries x entry size, is as large as its fields allow.
    put("mpeg_header", "vbri_largest_table", b"\xff\xfb\x90\x00" + bytes(32) + b"VBRI" + bytes(14) +
        b"\xff\xff\x00\x00\xff\xff\x00\x00")
    put("id3_tag", "long_names", b"\x00" + "Ünïcödé caller name".encode("utf-16-le") + b"\x00" + b"a" * 40 + b"\x001999\x00")
    split = b"QAVSPLIT"
    put("greeting", "wav_voice_wav", b"\x00" + wavs["beep44k"] + split + wavs["voice8k"][:4000] + split + wavs["beep44k"])
    put("greeting", "wav_mp3_wav", b"\x02" + wavs["beep44k"] + split + mp3s["cbr32_8k"][:1500] + split + wavs["beep44k"])
    put("greeting", "stereo_float", b"\x00" + wavs["stereo22k"] + split + wavs["float16k"])
    put("greeting", "mp3_only", b"\x01" + mp3s["vbr_22k"][:2000])

    xml = ('<?xml version="1.0" encoding="UTF-8"?>\r\n<QAVInformationNotify version="1">\r\n'
           '  <Text>a&lt;b &amp; c&gt;d</Text>\r\n  <Call id="5">\r\n    <Duration>-12</Duration>\r\n'
           '    <Partner name="echo123"/>\r\n  </Call>\r\n</QAVInformationNotify>\r\n')
    put("xml", "notify_utf8", b"\x00" + xml.encode())
    put("xml", "notify_utf16", b"\x01" + xml.encode("utf-16-le"))
    put("xml", "nested", b"\x00<a><b x='1'><c>&#65;&#x42;</c></b><!-- note --><d/></a>")
    # A caller's name with characters XML 1.0 does not allow, as UTF-16 units.
    put("xml", "not_xml_characters", b"\x01" + "<n>Ann\x01e \ufffe\uffff \ud800x \U0001F600</n>".encode(
        "utf-16-le", "surrogatepass"))

    language = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else None
    if language is None:
        found = sorted(HERE.parent.glob("build*/generated/data/ZV_EN.lang"))
        language = found[0] if found else None
    if language is None:
        sys.exit("no ZV_EN.lang: build the project first, or name the file")
    text = language.read_bytes()[2:].decode("utf-16-le").splitlines()
    put("lang_file", "english_start", utf16("\r\n".join(text[:30]) + "\r\n"))
    put("lang_file", "escapes", utf16("# QAV Localization File\r\nIDS_A \"one\\ntwo/nthree\\t\"\r\n# note\r\nIDS_B x\r\n"))

    for name, data in {
        "utf8": b"\x00[Settings]\r\nLanguage=EN\r\nkey = value \r\n\r\n[Lang]\r\nk=1\r\n",
        "utf8_mark": b"\x05\xef\xbb\xbf[Settings]\nLanguage=DE\n",
        "utf8_two_marks": b"\x00\xef\xbb\xbf\xef\xbb\xbf[Settings]\r\nLanguage=DE\r\n",
        "utf16_two_marks": b"\x00\xff\xfe\xff\xfe" + "[Settings]\r\nLanguage=DE\r\n".encode("utf-16-le"),
        "utf16": b"\x00" + utf16("[Settings]\r\nLanguage=FR\r\n; note\r\n[x]\r\nk=0x10\r\n"),
        "comments": b"\x0a; a comment\n[settings ]\n key =1\n[Settings]\nkey=2\n",
    }.items():
        put("ini_file", name, data)

    for name, text in {"plain": "QAV envelope", "names": "echo123;+4930123456", "empty": ""}.items():
        put("envelope", name, b"\x5a" + text.encode("utf-16-le"))
    put("envelope", "base64", b"\x00" + base64.b64encode(b"user:password"))
    put("envelope", "base64_padding", b"\x00QQ==\nQUI=\r\nQUJD")

    put("registry_text", "settings", "QAV registry store 1\n\n[Software]\n\n[Software\\Zarvelin\\QAV\\Settings]\n"
        "\"Language\"=sz:\"DE\"\n\"Empty\"=sz:\"\"\n\"Path\"=expand_sz:\"%HOME%\\\\x\"\n"
        "\"UIMainPanelLeft\"=dword:ffffffff\n\"Big\"=qword:0000000100000000\n")
    put("registry_text", "by_hand", "QAV registry store 1\r\n; a note by hand\r\n[A]\r\n\"bad\"=sz:\"no end\r\n"
        "\"x\"=qword:01\r\n\"ok\"=dword:2a\r\n[A\\\\B\\]\r\n")

    for i, name in enumerate(["echo123.2026.12.10.14.30.05.12.n.wav", "+4930123456.2024.02.29.00.00.00.0.s.mp3",
                              "a.b.c.2026.01.01.01.01.01.120.x.wav", "2026.12.10.14.30.05.3.wav",
                              "2026.12.10.14.30.05.0.mp3"]):
        put("recording_names", f"name{i}", b"\x00" + name.encode())
    put("recording_names", "side_file", b"\x00" + utf16("Duration:42;Partner:echo123;Partner:+4930123456;"))

    for i, text in enumerate(["%d %s %5.2f %*d %lld %x", "%-8s|%08.3f|%u|%c%c", "Grüße \U0001F600 \ud7ff",
                              "  -2147483648 ", "0x7fffFFFF", "+00123", "%%%p%S%ls%hs"]):
        put("text", f"text{i}", b"\x00" + text.encode("utf-8", "surrogatepass"))
    put("text", "units", b"\x01" + "%s \ud800 x".encode("utf-16-le", "surrogatepass"))

    # Module notes as a crash report reads them: another note, then a build id; and sizes whose
    # padding wraps in 32 bits.
    put("build_id_note", "gnu_build_id", elf_note(1, b"ABC\0", b"abcd") + elf_note(3, b"GNU\0", bytes(range(20))))
    put("build_id_note", "description_size_wraps", elf_note(3, b"GNU\0", b"\x01\x02\x03\x04", desc_size=0xFFFFFFFF))
    put("build_id_note", "name_size_wraps", elf_note(3, b"GNU\0", b"\x01\x02", name_size=0xFFFFFFFD))

    for i, text in enumerate(["me@example.org", "Ann Example <ann@example.org>; bob@example.net,, ",
                              "Grüße Müller <gm@example.de>", "a@b\r\nBcc: evil@example.com"]):
        put("mail_address", f"list{i}", b"\x00" + text.encode())
    put("mail_address", "units", b"\x01" + "Caller \u00e9 <c@x.org>".encode("utf-16-le"))
    # Header lines past RFC 5322's 998 characters: a long display name in words and in one word,
    # and many recipients.
    put("mail_address", "long_lines", b"\x00" + ("Caller " * 450 + "x" * 1500 + " <c@x.org>; " +
                                                   ", ".join("r%d@example.org" % i for i in range(60))).encode())
    # A long word with a long run of blanks before it, which has no place to fold.
    put("mail_address", "blanks_before_a_word", b"\x00" + ("Caller " + " " * 200 + "x" * 900 + " end").encode())

    for i, text in enumerate(['qav /autostart', '"C:\\Program Files\\QAV\\qav.exe" /lang=DE "a b" c\\\\"d',
                              '/log "x y" /log= /:z', 'a\\\\\\"b "" \t  "unterminated \\']):
        put("command_line", f"line{i}", b"\x00" + text.encode())

    http_seeds()


if __name__ == "__main__":
    main()
