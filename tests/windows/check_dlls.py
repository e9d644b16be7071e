#!/usr/bin/python3
"""Checks the Windows DLLs of a build as Windows will load them, and lists each one's size and
imports: every DLL is a PE32+ x86-64 DLL; it imports only WPILib's wpiHal.dll, the other DLLs of
ours beside it and Windows' own DLLs, never MinGW's C++ runtime, libgcc or winpthreads; the driver
DLL exports the JNI natives and nothing else: with --natives, exactly the natives the committed
headers of com.korvane.frc.jni declare (com_korvane_frc_jni_*.h in that folder), every one of
them. The names imported from wpiHal.dll are written to a file, one a line, for the check against
WPILib's headers.

Usage: check_dlls.py [--natives <native headers folder>] <hal imports out> <driver DLL>
                     [other DLL...]
"""
import glob
import os
import re
import sys

import pefile

WINDOWS_DLLS = {"kernel32.dll", "advapi32.dll", "msvcrt.dll", "ws2_32.dll", "ntdll.dll",
                "user32.dll", "shell32.dll", "ole32.dll", "bcrypt.dll"}
RUNTIME_DLLS = ("libstdc++", "libgcc_s", "libwinpthread")
NATIVE_PREFIX = "Java_com_korvane_frc_jni_"


def declared_natives(folder):
    names = set()
    for header in glob.glob(os.path.join(folder, "com_korvane_frc_jni_*.h")):
        with open(header) as text:
            names.update(re.findall(r"JNICALL\s+(" + NATIVE_PREFIX + r"\w+)", text.read()))
    return names


def main():
    args = sys.argv[1:]
    natives = None
    if args[:1] == ["--natives"]:
        natives = declared_natives(args[1])
        args = args[2:]
        if not natives:
            print(f"FAIL: no native declared in {args[1]}")
            return 1
    hal_out, driver, *others = args
    dlls = [driver] + others
    ours = {os.path.basename(path).lower() for path in dlls}
    failures = []
    hal_imports = set()
    for path in dlls:
        name = os.path.basename(path)
        pe = pefile.PE(path)
        if pe.FILE_HEADER.Machine != pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"]:
            failures.append(f"{name}: machine 0x{pe.FILE_HEADER.Machine:x}, not x86-64")
        if pe.OPTIONAL_HEADER.Magic != pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS:
            failures.append(f"{name}: not PE32+")
        if not pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_DLL"]:
            failures.append(f"{name}: not a DLL")
        print(f"{name}: {os.path.getsize(path)} bytes, PE32+ x86-64 DLL")
        for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
            imported = entry.dll.decode()
            lower = imported.lower()
            functions = sorted(i.name.decode() for i in entry.imports if i.name)
            print(f"  imports {imported}: {len(functions)} functions")
            if lower == "wpihal.dll":
                hal_imports.update(functions)
                print("    " + " ".join(functions))
            elif lower.startswith(RUNTIME_DLLS):
                failures.append(f"{name} imports {imported}: the C++ runtime must be linked in")
            elif lower not in WINDOWS_DLLS and lower not in ours:
                failures.append(f"{name} imports {imported}, which is neither WPILib's HAL, one of "
                                f"ours beside it nor Windows' own")
        if path == driver:
            exports = [s.name.decode() for s in pe.DIRECTORY_ENTRY_EXPORT.symbols if s.name]
            strays = [e for e in exports if not e.startswith(NATIVE_PREFIX)]
            print(f"  exports {len(exports)} functions, {len(strays)} of them no native")
            if strays:
                failures.append(f"{name} exports more than the natives: {' '.join(strays[:10])}")
            if not exports:
                failures.append(f"{name} exports no native")
            if natives is not None:
                missing = sorted(natives - set(exports))
                unknown = sorted(set(exports) - natives - set(strays))
                print(f"  {len(natives)} natives declared, {len(missing)} of them not exported")
                if missing:
                    failures.append(f"{name} does not export {' '.join(missing[:10])}")
                if unknown:
                    failures.append(f"{name} exports natives no header declares: "
                                    f"{' '.join(unknown[:10])}")
    os.makedirs(os.path.dirname(os.path.abspath(hal_out)), exist_ok=True)
    with open(hal_out, "w") as out:
        out.write("".join(f"{function}\n" for function in sorted(hal_imports)))
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
