#!/usr/bin/env python3
"""Regenerates the voice clips of the dialogue database from the dialogue sources.

Every voice field of assets/dialogue/tables/*.txt (a column of kind "voice") holds the words of its
clip. This script speaks them with Open JTalk and encodes them with lame into clips/<table>_<key>.mp3
(22050 Hz mono, 32 kbit/s). clips/MANIFEST records what each clip was made from, so a second run
only speaks the lines that changed, and --check tells, without any speech tool, which clips are
missing, stale or no longer used.

    assets/voices/make_voices.py            make what is missing or stale, drop unused clips
    assets/voices/make_voices.py --force    make every clip again
    assets/voices/make_voices.py --check    only report; exit 1 when anything is out of date

The tools are installed when missing (Debian: open-jtalk, open-jtalk-mecab-naist-jdic, lame; as
root or through sudo). The HTS voice comes from Debian's contrib section; when it is not installed,
its package is downloaded and unpacked into a cache folder without touching the system's apt
sources (see README.md).
"""

import argparse
import hashlib
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

HERE = pathlib.Path(__file__).resolve().parent
SOURCES = HERE.parent / "dialogue" / "tables"
CLIPS = HERE / "clips"
MANIFEST = CLIPS / "MANIFEST"

DICTIONARY = pathlib.Path("/var/lib/mecab/dic/open-jtalk/naist-jdic")
VOICE_PACKAGE = "hts-voice-nitech-jp-atr503-m001"
VOICE_FILE = "usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice"
VOICE_CACHE = pathlib.Path(os.environ.get("XDG_CACHE_HOME", pathlib.Path.home() / ".cache")) / "morvik-voices"

# A little robotic: the voice raised by 7 half-tones (to about 200 Hz, a girl's range), spoken
# slightly fast, with the pitch movement flattened (a small weight of the log F0 global variance).
JTALK_OPTIONS = ["-fm", "7", "-r", "1.1", "-jf", "0.3"]
LAME_OPTIONS = ["--quiet", "-m", "m", "--resample", "22.05", "-b", "32"]


def fail(message):
    print(f"make_voices: {message}", file=sys.stderr)
    sys.exit(1)


def read_voices():
    """Returns {clip file name: words} for every voice field of the sources."""
    voices = {}
    for source in sorted(SOURCES.glob("*.txt")):
        table, columns = None, None
        for number, line in enumerate(source.read_text(encoding="utf-8-sig").splitlines(), 1):
            text = line.strip()
            if not text or text.startswith("#"):
                continue
            if text.startswith("table:"):
                table = text[len("table:"):].strip()
                continue
            if text.startswith("columns:"):
                columns = [c.strip().partition(":")[2].strip() for c in text[len("columns:"):].split("|")]
                continue
            fields = [f.strip() for f in text.split("|")]
            if table is None or columns is None or len(fields) != len(columns):
                fail(f"{source}:{number}: not a row of the table")
            for kind, field in zip(columns, fields):
                if kind == "voice" and field:
                    voices[f"{table}_{fields[0]}.mp3"] = field
    return voices


def fingerprint(words):
    made_from = "\n".join([words, " ".join(JTALK_OPTIONS), " ".join(LAME_OPTIONS), VOICE_PACKAGE])
    return hashlib.sha256(made_from.encode("utf-8")).hexdigest()


def read_manifest():
    made = {}
    if MANIFEST.exists():
        for line in MANIFEST.read_text(encoding="utf-8").splitlines():
            name, _, digest = line.partition("\t")
            if digest:
                made[name] = digest
    return made


def write_manifest(made):
    lines = [f"{name}\t{made[name]}" for name in sorted(made)]
    MANIFEST.write_text("\n".join(lines) + "\n", encoding="utf-8")


def as_root(command):
    if os.geteuid() != 0:
        command = ["sudo"] + command
    subprocess.run(command, check=True, env=dict(os.environ, DEBIAN_FRONTEND="noninteractive"))


def ensure_tools():
    missing = []
    if not shutil.which("open_jtalk"):
        missing.append("open-jtalk")
    if not DICTIONARY.is_dir():
        missing.append("open-jtalk-mecab-naist-jdic")
    if not shutil.which("lame"):
        missing.append("lame")
    if missing:
        print(f"make_voices: installing {' '.join(missing)}", file=sys.stderr)
        as_root(["apt-get", "install", "-y", "-qq", "--no-install-recommends"] + missing)


def contrib_archive():
    """The machine's Debian mirror and release, as its apt sources name them."""
    mirror = None
    deb822 = pathlib.Path("/etc/apt/sources.list.d/debian.sources")
    if deb822.exists():
        for line in deb822.read_text().splitlines():
            if line.startswith("URIs:"):
                mirror = line.split()[1]
                break
    if mirror is None and pathlib.Path("/etc/apt/sources.list").exists():
        for line in pathlib.Path("/etc/apt/sources.list").read_text().splitlines():
            if line.startswith("deb "):
                mirror = line.split()[1]
                break
    release = None
    for line in pathlib.Path("/etc/os-release").read_text().splitlines():
        if line.startswith("VERSION_CODENAME="):
            release = line.partition("=")[2].strip('"')
    if not mirror or not release:
        fail("cannot tell the Debian mirror and release from the apt sources")
    return mirror, release


def fetch_voice():
    """Downloads the contrib voice package with a private apt configuration and unpacks it."""
    mirror, release = contrib_archive()
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        for folder in ("lists/partial", "archives/partial", "etc"):
            (work / folder).mkdir(parents=True)
        (work / "etc" / "contrib.sources").write_text(
            f"Types: deb\nURIs: {mirror}\nSuites: {release}\nComponents: contrib\n"
            "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg\n")
        options = ["-o", "APT::Sandbox::User=root", "-o", "Dir::Etc::sourcelist=/dev/null",
                   "-o", f"Dir::Etc::sourceparts={work / 'etc'}", "-o", f"Dir::State::Lists={work / 'lists'}",
                   "-o", f"Dir::Cache::Archives={work / 'archives'}", "-o", "Debug::NoLocking=1"]
        subprocess.run(["apt-get", *options, "update", "-qq"], check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["apt-get", *options, "download", VOICE_PACKAGE], check=True, cwd=work,
                       stdout=subprocess.DEVNULL)
        package = next(work.glob(f"{VOICE_PACKAGE}_*.deb"))
        VOICE_CACHE.mkdir(parents=True, exist_ok=True)
        subprocess.run(["dpkg", "-x", str(package), str(VOICE_CACHE)], check=True)


def voice_path():
    for candidate in (os.environ.get("MORVIK_HTS_VOICE"), "/" + VOICE_FILE, VOICE_CACHE / VOICE_FILE):
        if candidate and pathlib.Path(candidate).is_file():
            return pathlib.Path(candidate)
    print(f"make_voices: fetching {VOICE_PACKAGE} from Debian's contrib section", file=sys.stderr)
    fetch_voice()
    return VOICE_CACHE / VOICE_FILE


def speak(words, voice, target):
    with tempfile.TemporaryDirectory() as work:
        wav = pathlib.Path(work) / "clip.wav"
        subprocess.run(["open_jtalk", "-x", str(DICTIONARY), "-m", str(voice), "-ow", str(wav), *JTALK_OPTIONS],
                       input=words.encode("utf-8"), check=True)
        partial = target.with_suffix(".part")
        subprocess.run(["lame", *LAME_OPTIONS, str(wav), str(partial)], check=True)
        partial.replace(target)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--force", action="store_true", help="make every clip again")
    parser.add_argument("--check", action="store_true", help="only report what is out of date")
    args = parser.parse_args()

    voices = read_voices()
    made = read_manifest()
    wanted = {name for name, words in voices.items()
              if args.force or made.get(name) != fingerprint(words) or not (CLIPS / name).is_file()}
    unused = sorted(p.name for p in CLIPS.glob("*.mp3") if p.name not in voices)

    if args.check:
        for name in sorted(wanted):
            print(f"out of date: {name}")
        for name in unused:
            print(f"unused: {name}")
        sys.exit(1 if wanted or unused else 0)

    CLIPS.mkdir(exist_ok=True)
    for name in unused:
        (CLIPS / name).unlink()
        made.pop(name, None)
    if wanted:
        ensure_tools()
        voice = voice_path()
        for count, name in enumerate(sorted(wanted), 1):
            print(f"[{count}/{len(wanted)}] {name}: {voices[name]}")
            speak(voices[name], voice, CLIPS / name)
            made[name] = fingerprint(voices[name])
            write_manifest(made)
    write_manifest({name: digest for name, digest in made.items() if name in voices})
    total = sum((CLIPS / name).stat().st_size for name in voices)
    print(f"{len(voices)} clips, {total / 1024:.0f} KiB")


if __name__ == "__main__":
    main()
