#!/usr/bin/env python3
"""What installing Debian packages pulls onto a minimal Debian system, without building one.

    tools/install-footprint.py [--priority required|important] [--no-recommends] PACKAGE.deb...

apt resolves the packages given (local .deb files) against a dpkg status that holds exactly the
packages of a minimal system: every package of the given priority or higher in the apt lists of
this machine, with every package they depend on ("required": a debootstrap --variant=minbase
root; "important": a default debootstrap root). It is a simulation (apt-get -s): nothing is downloaded or installed. Prints
the number of packages apt would install besides those given and the installed size of all of
them (the Installed-Size fields, in MB of 1,000,000 bytes).
"""
import argparse
import os
import subprocess
import sys
import tempfile

PRIORITIES = {"required": ("required",), "important": ("required", "important")}



def stanzas(text):
    for block in text.split("\n\n"):
        fields, last = {}, None
        for line in block.splitlines():
            if line[:1] in (" ", "\t") and last:
                fields[last] += "\n" + line
            elif ":" in line:
                last, value = line.split(":", 1)
                fields[last] = value.strip()
        if "Package" in fields:
            yield block, fields


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--priority", choices=sorted(PRIORITIES), default="required")
    parser.add_argument("--no-recommends", action="store_true", help="as apt install --no-install-recommends")
    parser.add_argument("debs", nargs="+")
    args = parser.parse_args()

    available = subprocess.run(["apt-cache", "dumpavail"], capture_output=True, text=True, check=True).stdout
    arch = subprocess.run(["dpkg", "--print-architecture"], capture_output=True, text=True, check=True).stdout.strip()
    blocks, fields_of, sizes, providers = {}, {}, {}, {}
    for block, fields in stanzas(available):
        if fields.get("Architecture") not in (arch, "all"):
            continue
        name = fields["Package"]  # dumpavail lists the candidate version
        blocks[name], fields_of[name] = block, fields
        sizes[name] = int(fields.get("Installed-Size", "0"))
        for provided in fields.get("Provides", "").split(","):
            if provided.strip():
                providers.setdefault(provided.split("(")[0].strip(), name)
    # The packages of the priority and the essential ones, with what they depend on (the first
    # alternative that exists, as apt takes it): what a bootstrapped root holds.
    chosen = {name for name, fields in fields_of.items()
              if fields.get("Priority") in PRIORITIES[args.priority] or fields.get("Essential") == "yes"}
    queue = list(chosen)
    while queue:
        fields = fields_of[queue.pop()]
        for relation in (fields.get("Pre-Depends", "") + "," + fields.get("Depends", "")).split(","):
            for alternative in relation.split("|"):
                name = alternative.split("(")[0].split(":")[0].strip()
                name = name if name in fields_of else providers.get(name, "")
                if name:
                    if name not in chosen:
                        chosen.add(name)
                        queue.append(name)
                    break
    with tempfile.TemporaryDirectory() as folder:
        status = os.path.join(folder, "status")
        with open(status, "w") as out:
            for block in (blocks[name] for name in sorted(chosen)):
                lines = [l for l in block.splitlines() if not l.startswith("Status:")]
                lines.insert(1, "Status: install ok installed")
                out.write("\n".join(lines) + "\n\n")
        debs = [os.path.abspath(d) for d in args.debs]
        simulated = subprocess.run(
            ["apt-get", "-s", "-q", "-o", f"Dir::State::status={status}",
             "-o", f"Dir::State::extended_states={folder}/extended_states",
             "-o", "Debug::NoLocking=1", "-o", f"APT::Install-Recommends={'false' if args.no_recommends else 'true'}",
             "install", *debs],
            capture_output=True, text=True)
        if simulated.returncode != 0:
            sys.stderr.write(simulated.stdout + simulated.stderr)
            return 1
    def field(deb, name):
        return subprocess.run(["dpkg-deb", "-f", deb, name], capture_output=True, text=True, check=True).stdout.strip()

    own = {field(deb, "Package"): int(field(deb, "Installed-Size") or 0) for deb in debs}  # KiB
    pulled, total = [], sum(own.values())
    for line in simulated.stdout.splitlines():
        if line.startswith("Inst ") and line.split()[1] not in own:
            pulled.append(line.split()[1])
            total += sizes.get(pulled[-1], 0)
    given = own
    print(f"minimal root ({args.priority} packages: {len(chosen)}){' without recommends' if args.no_recommends else ''}; installing {' '.join(sorted(given))} pulls "
          f"{len(pulled)} packages, {total * 1024 / 1e6:.1f} MB installed in all")
    if os.environ.get("VERBOSE"):
        print(" ".join(sorted(pulled)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
