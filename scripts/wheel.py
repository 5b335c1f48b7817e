"""Gives wheels the manylinux tag their module keeps to, and makes a wheel for a module built for
an interpreter that cannot run here from the wheel of its sibling that can.

    python3 scripts/wheel.py tag WHEEL...
        Renames each wheel to the lowest manylinux_X_Y tag whose limits its module keeps within
        (PEP 600, as the published policy lists them below), rewriting its WHEEL file's Tag lines
        and RECORD; a module past every limit keeps its linux_<arch> tag.
    python3 scripts/wheel.py repack TEMPLATE MODULE PYTHON_TAG ABI_TAG DIST
        Writes into DIST the wheel TEMPLATE would be with MODULE in place of its module, for
        PYTHON_TAG-ABI_TAG and MODULE's architecture, tagged as `tag` does.
    python3 scripts/wheel.py show WHEEL...
        Prints each wheel's tag, its module's needed libraries and highest symbol versions.

Needs readelf (binutils), which reads a module of any architecture.
"""

import base64
import hashlib
import os
import re
import subprocess
import sys
import tempfile
import zipfile

# The libraries a manylinux module may need: the C library, libm, the C++ runtime, libgcc_s and
# the architecture's own dynamic loader (the policy lists a few more that Tavvik never needs).
ALLOWED_LIBRARIES = {"libc.so.6", "libm.so.6", "libstdc++.so.6", "libgcc_s.so.1",
                     "ld-linux-x86-64.so.2", "ld-linux-aarch64.so.1"}

# The highest GLIBC, GLIBCXX, CXXABI and GCC symbol versions each tag allows, from the policy
# file of auditwheel (pypa/auditwheel, src/auditwheel/policy/manylinux-policy.json), lowest tag
# first; GCC differs by architecture. Tags below 2_28 are left out: the module needs statx.
POLICIES = [
    ("manylinux_2_28", "2.28", "3.4.24", "1.3.11", {"x86_64": "7.0.0", "aarch64": "7.0.0"}),
    ("manylinux_2_31", "2.31", "3.4.28", "1.3.12", {"x86_64": "7.0.0", "aarch64": "7.0.0"}),
    ("manylinux_2_34", "2.34", "3.4.29", "1.3.13", {"x86_64": "7.0.0", "aarch64": "11.0"}),
    ("manylinux_2_35", "2.35", "3.4.30", "1.3.13", {"x86_64": "12.0.0", "aarch64": "11.0"}),
    ("manylinux_2_36", "2.36", "3.4.30", "1.3.13", {"x86_64": "12.0.0", "aarch64": "11.0"}),
    ("manylinux_2_39", "2.39", "3.4.33", "1.3.15", {"x86_64": "14.0.0", "aarch64": "14.0.0"}),
]
MACHINES = {"Advanced Micro Devices X86-64": "x86_64", "AArch64": "aarch64"}
MODULE = re.compile(r"^tavvik_pypi\.[^/]*so$")


def version(text):
    return tuple(int(part) for part in text.split("."))


def readelf(option, path):
    return subprocess.run(["readelf", option, "-W", path], capture_output=True, text=True,
                          check=True).stdout


def module_facts(path):
    """The module's architecture, the libraries it needs, and the highest version it needs of
    each of GLIBC, GLIBCXX, CXXABI and GCC."""
    machine = re.search(r"Machine:\s+(.*)", readelf("-h", path)).group(1).strip()
    needed = set(re.findall(r"\(NEEDED\).*\[(.*)\]", readelf("-d", path)))
    highest = {}
    for family, number in re.findall(r"Name: (GLIBCXX|GLIBC|CXXABI|GCC)_([0-9.]+)",
                                     readelf("-V", path)):
        if version(number) > version(highest.get(family, "0")):
            highest[family] = number
    return MACHINES[machine], needed, highest


def limits(tag, arch):
    """The highest version of each family that `tag` allows on `arch`, or None if not listed."""
    for name, glibc, glibcxx, cxxabi, gcc in POLICIES:
        if name == tag:
            return {"GLIBC": glibc, "GLIBCXX": glibcxx, "CXXABI": cxxabi, "GCC": gcc[arch]}
    return None


def within(tag, arch, needed, highest):
    allowed = limits(tag, arch)
    return (allowed is not None and needed <= ALLOWED_LIBRARIES and
            all(version(highest[family]) <= version(allowed[family]) for family in highest))


def platform_tag(arch, needed, highest):
    for name, *_ in POLICIES:
        if within(name, arch, needed, highest):
            return "%s_%s" % (name, arch)
    return "linux_" + arch


def digest(data):
    return "sha256=" + base64.urlsafe_b64encode(hashlib.sha256(data).digest()).rstrip(b"=").decode()


def write_wheel(template, dist, module=None, python_abi=None):
    """Writes into `dist` the wheel `template` is, with `module` (a path) in place of its module
    and `python_abi` ("pp311-pypy311_pp73") as its first two tags when given, named and tagged
    for the module's platform; returns its path."""
    with zipfile.ZipFile(template) as source:
        entries = {info.filename: source.read(info) for info in source.infolist()}
    old_module = next(name for name in entries if MODULE.match(name))
    if module is not None:
        del entries[old_module]
        with open(module, "rb") as file:
            entries[os.path.basename(module)] = file.read()
    module_name = next(name for name in entries if MODULE.match(name))
    dist_info = next(name.split("/")[0] for name in entries if name.endswith(".dist-info/WHEEL"))
    with tempfile.TemporaryDirectory() as folder:  # readelf reads a file
        with open(os.path.join(folder, module_name), "wb") as file:
            file.write(entries[module_name])
        platform = platform_tag(*module_facts(file.name))
    name, release, python, abi = os.path.basename(template)[:-len(".whl")].split("-")[:4]
    if python_abi is not None:
        python, abi = python_abi.split("-")
    tag = "%s-%s-%s" % (python, abi, platform)
    fields = [line for line in entries[dist_info + "/WHEEL"].decode().splitlines()
              if line.strip() and not line.startswith("Tag: ")]
    entries[dist_info + "/WHEEL"] = ("\n".join(fields + ["Tag: " + tag]) + "\n\n").encode()
    record = dist_info + "/RECORD"
    entries[record] = "".join(
        "%s,%s,%d\n" % (path, digest(data), len(data))
        for path, data in entries.items() if path != record).encode() + (record + ",,\n").encode()
    target = os.path.join(dist, "%s-%s-%s.whl" % (name, release, tag))
    with zipfile.ZipFile(target + ".partial", "w", zipfile.ZIP_DEFLATED) as out:
        for path, data in entries.items():
            out.writestr(path, data)
    os.replace(target + ".partial", target)
    return target


def main(argv):
    command, arguments = (argv[1], argv[2:]) if len(argv) > 1 else ("", [])
    if command == "tag":
        for wheel in arguments:
            tagged = write_wheel(wheel, os.path.dirname(wheel) or ".")
            if os.path.abspath(tagged) != os.path.abspath(wheel):
                os.remove(wheel)
            print("tagged", os.path.basename(tagged))
    elif command == "repack":
        template, module, python, abi, dist = arguments
        print("made", os.path.basename(write_wheel(template, dist, module, python + "-" + abi)))
    elif command == "show":
        for wheel in arguments:
            with zipfile.ZipFile(wheel) as source, tempfile.TemporaryDirectory() as folder:
                name = next(name for name in source.namelist() if MODULE.match(name))
                arch, needed, highest = module_facts(source.extract(name, folder))
            print(os.path.basename(wheel), os.path.getsize(wheel), " ".join(sorted(needed)),
                  " ".join("%s_%s" % item for item in sorted(highest.items())))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
