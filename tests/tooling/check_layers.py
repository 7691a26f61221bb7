#!/usr/bin/python3
"""Fails when a library reaches up or across the declared order.

Reads the order from the top CMakeLists.txt (POSALIGN_PLUGIN_LAYERS, then POSALIGN_HOST_LAYERS under host/,
then the Windows host programs in host/runner, then the Python module in python/) and each folder's
posalign_library() declarations (DEPENDS, THIRD_PARTY). Then checks that
- every DEPENDS entry comes earlier in the order (so the links form no cycle);
- every quoted include names a header of the file's own folder or of a folder its library depends on,
  directly or through others;
- third-party headers are included only in folders that declare their package;
- every project library a folder links is one it may depend on;
- geometry/ and projection/ never name the host's function table; no product code includes tests/ or bench/;
- no folder holds more than a quarter of the product's lines.

Usage: check_layers.py <source root>
"""
import os
import re
import sys

root = sys.argv[1]
problems = []

THIRD_PARTY_HEADERS = [
    (re.compile(r"^(nifti1_io|nifti1|znzlib)\.h$"), "nifti"),
    (re.compile(r"^zlib\.h$"), "zlib"),
    (re.compile(r"^png\.h$"), "png"),
    (re.compile(r"^CLI/"), "cli11"),
    (re.compile(r"^nlohmann/"), "json"),
    (re.compile(r"^dlfcn\.h$"), "dl"),
    (re.compile(r"^pybind11/"), "pybind11"),
    (re.compile(r"^itk"), "itk"),
]


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def cmake_list(text, name):
    match = re.search(r"set\(\s*" + name + r"\s+([^)]*)\)", text)
    if not match:
        sys.exit(f"CMakeLists.txt: no list {name}")
    return match.group(1).split()


top = read(os.path.join(root, "CMakeLists.txt"))
order = cmake_list(top, "POSALIGN_PLUGIN_LAYERS") + ["host/" + f for f in cmake_list(top, "POSALIGN_HOST_LAYERS")]
order.append("host/runner")
# The Python module, built on the host's libraries (not in every build, but always checked).
order.append("python")
rank = {folder: i for i, folder in enumerate(order)}


def declarations(folder):
    """DEPENDS and THIRD_PARTY of the folder's libraries (variables expanded from set() lines), and their names."""
    text = read(os.path.join(root, folder, "CMakeLists.txt"))
    variables = {}
    for name, values in re.findall(r"set\(\s*(\w+)\s*([^)]*)\)", text):
        variables.setdefault(name, []).extend(values.split())
    depends, packages, targets = set(), set(), set()
    for call in re.findall(r"posalign_library\(([^)]*)\)", text):
        words = call.split()
        targets.add(words[0])
        section = None
        for word in words[1:]:
            if word in ("SOURCES", "DEPENDS", "THIRD_PARTY"):
                section = word
                continue
            values = variables.get(word[2:-1], []) if word.startswith("${") else [word]
            if section == "DEPENDS":
                depends.update(values)
            elif section == "THIRD_PARTY":
                packages.update(values)
    return depends, packages, targets, text


declared = {folder: declarations(folder) for folder in order}
owner = {target: folder for folder, (_, _, targets, _) in declared.items() for target in targets}
owner["posalign_windows_runtime"] = "platform"

for folder in order:
    for dependency in declared[folder][0] - {folder}:
        if dependency not in rank:
            problems.append(f"{folder}/CMakeLists.txt: depends on {dependency}, which is not a layer")
        elif rank[dependency] >= rank[folder]:
            problems.append(f"{folder}/CMakeLists.txt: depends on {dependency}, which is not below it")

# host/runner builds executables from the host core and the loader.
runner_links = set(re.findall(r"\b((?:posalign|zentrovis)_\w+)", " ".join(
    re.findall(r"target_link_libraries\(([^)]*)\)", declared["host/runner"][3]))))
declared["host/runner"] = ({owner[t] for t in runner_links if t in owner and owner[t] != "platform"} |
                           {"host/core"}, set(), set(), declared["host/runner"][3])


def closure(folder, seen=None):
    seen = set() if seen is None else seen
    for dependency in declared[folder][0]:
        if dependency in rank and dependency not in seen:
            seen.add(dependency)
            closure(dependency, seen)
    return seen


def folder_of(header):
    """The layer whose folder holds the header (platform/windows_runtime belongs to platform)."""
    parts = header.split("/")
    for length in (2, 1):
        candidate = "/".join(parts[:length])
        if candidate in rank and len(parts) > length:
            return candidate
    return None


def sources(folder):
    for base, subfolders, files in os.walk(os.path.join(root, folder)):
        relative = os.path.relpath(base, root)
        if relative != folder and relative in rank:
            subfolders[:] = []
            continue
        subfolders[:] = [s for s in subfolders if os.path.join(relative, s) not in rank]
        for name in sorted(files):
            if name.endswith((".h", ".cpp")):
                yield os.path.join(relative, name)


include = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
checked = 0
lines_of = {}
for folder in order:
    allowed = closure(folder) | {folder}
    packages = declared[folder][1]
    lines_of[folder] = 0
    for path in sources(folder):
        text = read(os.path.join(root, path))
        lines_of[folder] += text.count("\n")
        for match in include.finditer(text):
            kind, header = match.groups()
            line = text.count("\n", 0, match.start()) + 1
            checked += 1
            if kind == '"':
                target = folder_of(header)
                if header.startswith(("tests/", "bench/")):
                    problems.append(f"{path}:{line}: product code includes test code \"{header}\"")
                elif target is None:
                    problems.append(f"{path}:{line}: includes \"{header}\", which is in no layer")
                elif target not in allowed:
                    problems.append(f"{path}:{line}: {folder} includes \"{header}\", which is not below it")
            else:
                for pattern, package in THIRD_PARTY_HEADERS:
                    if pattern.search(header) and package not in packages:
                        problems.append(f"{path}:{line}: includes <{header}> without declaring {package}")
    links = re.findall(r"target_link_libraries\(\s*\S+([^)]*)\)", declared[folder][3])
    for target in re.findall(r"\b((?:posalign|zentrovis)_\w+)", " ".join(links)):
        linked = owner.get(target)
        if linked is None or (linked not in allowed and target != "posalign_windows_runtime"):
            problems.append(f"{folder}/CMakeLists.txt: links {target}, which is not below {folder}")

for folder in ("geometry", "projection"):
    for path in sources(folder):
        if re.search(r"gHostFunctions|HostFunctionTable|host_function_table|host_function_list",
                     read(os.path.join(root, path))):
            problems.append(f"{path}: {folder} refers to the host's function table")

total = sum(lines_of.values())
for folder, lines in lines_of.items():
    if lines * 4 > total:
        problems.append(f"{folder} holds {lines} of the product's {total} lines, more than a quarter")

for problem in problems:
    print(problem)
if problems:
    sys.exit(1)
print(f"{checked} includes of {len(order)} folders point down the declared order: {' -> '.join(order)}")
