#!/usr/bin/env python3
"""clang-tidy over the program's sources with the checks of .clang-tidy, every finding an error.

Reads the compile commands of the build folder (./test.sh configures and builds it; KV_BUILD_DIR
names another). The headers of src/ are checked through the sources that include them.

  scripts/tidy.py            every source file of src/
  scripts/tidy.py --changed  the sources changed against the merge base with main, and those of
                             the headers changed (./test.sh); every source on main itself

A source found clean is not checked again while it, the project's headers it was compiled with
(ninja's record of its includes), .clang-tidy and clang-tidy stay the same: the keys of clean
sources are kept in ~/.cache/kelvaro-tidy (XDG_CACHE_HOME).
"""
import concurrent.futures
import hashlib
import os
import pathlib
import subprocess
import sys

root = pathlib.Path(__file__).resolve().parent.parent
os.chdir(root)
build = pathlib.Path(os.environ.get("KV_BUILD_DIR", "build")).resolve()


def git(*args):
    return subprocess.run(["git", *args], check=True, capture_output=True, text=True).stdout.split()


def project_includes():
    """Source path -> the project's files its object was compiled from, as ninja recorded them."""
    out = subprocess.run(["ninja", "-C", str(build), "-t", "deps"], check=True, capture_output=True,
                         text=True).stdout
    deps, current = {}, None
    for line in out.splitlines():
        if line and not line.startswith(" "):
            current = []
        elif line.strip() and current is not None:
            path = (build / line.strip()).resolve()
            if root in path.parents and build not in path.parents:
                if not current:
                    deps[str(path.relative_to(root))] = current
                current.append(path)
    return deps


def main():
    if len(sys.argv) > 1 and sys.argv[1] not in ("--changed",):
        print("usage: scripts/tidy.py [--changed]", file=sys.stderr)
        return 2
    files = git("ls-files", "src/*.cpp")
    if len(sys.argv) > 1:
        base = subprocess.run(["git", "merge-base", "HEAD", "main"], capture_output=True, text=True).stdout.strip()
        head = git("rev-parse", "HEAD")[0]
        if base and base != head:
            changed = set(git("diff", "--name-only", "--diff-filter=d", base, "--", "src/*.cpp", "src/*.h")) | \
                set(git("ls-files", "--others", "--exclude-standard", "src/*.cpp", "src/*.h"))
            stems = {os.path.splitext(f)[0] for f in changed}
            files = [f for f in files if os.path.splitext(f)[0] in stems]
            if not files:
                print("clang-tidy: no source changed")
                return 0

    version = subprocess.run(["clang-tidy", "--version"], check=True, capture_output=True).stdout
    common = hashlib.sha256(version + pathlib.Path(".clang-tidy").read_bytes()).digest()
    includes = project_includes()
    cache = pathlib.Path(os.environ.get("XDG_CACHE_HOME", pathlib.Path.home() / ".cache")) / "kelvaro-tidy"
    cache.mkdir(parents=True, exist_ok=True)

    def key(source):
        h = hashlib.sha256(common)
        for path in includes.get(source, [root / source]):
            h.update(str(path.relative_to(root)).encode() + b"\0" + path.read_bytes())
        return h.hexdigest()

    def check(source):
        stamp = cache / key(source)
        if stamp.exists():
            return source, True, ""
        run = subprocess.run(["clang-tidy", "-p", str(build), "--quiet", source], capture_output=True, text=True)
        if run.returncode == 0:
            stamp.touch()
            return source, True, ""
        text = "\n".join(line for line in (run.stdout + run.stderr).splitlines()
                         if not line.endswith(("warnings generated.", "warning generated.")))
        return source, False, text

    failed = []
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 1) as pool:
        for source, clean, text in pool.map(check, files):
            if not clean:
                failed.append(source)
                print(text, flush=True)
    print(f"clang-tidy: {len(files)} files, " + (f"findings in {len(failed)}" if failed else "clean"))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
