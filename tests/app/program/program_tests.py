#!/usr/bin/env python3
# Drives the built program: batch runs without and with a window, every command-line case, and
# the closes that must and must not write the data file. Each case runs a copy of the program
# in its own temporary folder, with a settings file that turns the version check off.
import argparse
import math
import os
import select
import shutil
import stat
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

PROGRAM = None
EXAMPLES = None
DATA = None
EXAMPLE_MODELS = ["hexapod.PEN", "planar.PEN", "redundant.PEN"]


# ---------------------------------------------------------------------------------------------
# Files

def read_profile(path):
    """Sections (lower-cased) of an ini-style file: {section: {key lower-cased: value}}."""
    sections = {}
    current = None
    with open(path, "rb") as f:
        text = f.read().decode("latin-1")
    if text.startswith("\xef\xbb\xbf"):  # a UTF-8 byte-order mark
        text = text[3:]
    for raw in text.splitlines():
        line = raw.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1].strip().lower(), {})
        elif current is not None and "=" in line:
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value.strip())
    return sections


def file_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def write_pen(path, text):
    with open(path, "w", newline="") as f:
        f.write(text.replace("\n", "\r\n"))


# ---------------------------------------------------------------------------------------------
# An independent calculation of a model from its data file: the 6x6 stiffness of the block
# on its bars, unused degrees of freedom fixed, Gaussian elimination, the bar forces.

def independent_results(pen, details=False):
    """Displacements and bar forces; with details also the loads, the assembled K and per bar
    (begin node, end node, type, E, A, length, EA/L, g)."""
    p = read_profile(pen)
    loads = [float(p["loads"][k]) for k in ("fx", "fy", "fz", "tx", "ty", "tz")]
    types = {0: (float(p["properties"]["e"]), float(p["properties"]["a"]))}
    for key, value in p.get("barproperties", {}).items():
        e, a = value.split("@")
        types[int(key)] = (float(e), float(a))
    nodes = {int(k): [float(x) for x in v.split("@")] for k, v in p["coordinates"].items()}
    bars = {}
    for key, value in p["elements"].items():
        fields = value.split("@")
        bars[int(key)] = (int(fields[0]), int(fields[1]), int(fields[2]) if len(fields) > 2 else 0)

    def geometry(bar):
        b, s, t = bars[bar]
        p1, p2 = nodes[b], nodes[s]
        length = math.dist(p1, p2)
        if length <= 1e-9:
            return [0.0] * 6, 0.0, 0.0
        ex, ey, ez = [(a - c) / length for a, c in zip(p1, p2)]
        x1, y1, z1 = p1
        g = [ex, ey, ez, -ey * z1 + ez * y1, ex * z1 - ez * x1, -ex * y1 + ey * x1]
        e, a = types[t]
        return g, length, e * a / length

    K = [[0.0] * 6 for _ in range(6)]
    for bar in bars:
        g, length, k = geometry(bar)
        for i in range(6):
            for j in range(6):
                K[i][j] += g[i] * k * g[j]
    assembled = [row[:] for row in K]
    f = loads[:]
    for r in range(6):
        if all(K[r][c] == 0.0 for c in range(6)):
            K[r][r], f[r] = 1.0, 0.0
    A = [K[r][:] + [f[r]] for r in range(6)]
    for c in range(6):
        piv = max(range(c, 6), key=lambda r: abs(A[r][c]))
        A[c], A[piv] = A[piv], A[c]
        for r in range(6):
            if r != c:
                m = A[r][c] / A[c][c]
                for k in range(c, 7):
                    A[r][k] -= m * A[c][k]
    u = [A[i][6] / A[i][i] for i in range(6)]
    forces = {}
    for bar in bars:
        g, length, k = geometry(bar)
        forces[bar] = sum(gi * k * ui for gi, ui in zip(g, u)) if length > 0 else 0.0
    if not details:
        return u, forces
    per_bar = {}
    for bar, (b, s, t) in bars.items():
        g, length, k = geometry(bar)
        per_bar[bar] = (b, s, t) + types[t] + (length, k, g)
    return u, forces, {"loads": loads, "K": assembled, "bars": per_bar}


def symmetric_eigenvalues(a):
    """Eigenvalues of a small symmetric matrix by cyclic Jacobi rotations."""
    a = [row[:] for row in a]
    n = len(a)
    for _ in range(100):
        off = sum(a[i][j] ** 2 for i in range(n) for j in range(n) if i != j)
        if off <= 1e-30 * sum(a[i][i] ** 2 for i in range(n)):
            break
        for p in range(n):
            for q in range(p + 1, n):
                if a[p][q] == 0.0:
                    continue
                theta = (a[q][q] - a[p][p]) / (2 * a[p][q])
                t = math.copysign(1.0, theta) / (abs(theta) + math.sqrt(theta * theta + 1))
                c = 1 / math.sqrt(t * t + 1)
                s = t * c
                for k in range(n):
                    akp, akq = a[k][p], a[k][q]
                    a[k][p], a[k][q] = c * akp - s * akq, s * akp + c * akq
                for k in range(n):
                    apk, aqk = a[p][k], a[q][k]
                    a[p][k], a[q][k] = c * apk - s * aqk, s * apk + c * aqk
    return [a[i][i] for i in range(n)]


def independent_checks(pen):
    """The checks of a sound model, computed here: the characteristic length L (largest
    distance of a begin node from the mass centre), the eigenvalue ratio of K on the degrees
    of freedom that bars restrain with the rotations divided by L, and the equilibrium
    residual F - sum N g of the forces computed here (a load on an unrestrained degree of
    freedom is disregarded, so it leaves no residual)."""
    u, forces, d = independent_results(pen, details=True)
    p = read_profile(pen)
    nodes = {int(k): [float(x) for x in v.split("@")] for k, v in p["coordinates"].items()}
    length = max(math.hypot(*nodes[bar[0]]) for bar in d["bars"].values()) or 1.0
    K = d["K"]
    free = [r for r in range(6) if any(K[r][c] != 0.0 for c in range(6))]
    scale = [1.0] * 3 + [1.0 / length] * 3
    scaled = [[0.5 * (K[r][c] + K[c][r]) * scale[r] * scale[c] for c in free] for r in free]
    values = symmetric_eigenvalues(scaled)
    residual = [d["loads"][j] if j in free else 0.0 for j in range(6)]
    for bar, (_, _, _, _, _, _, _, g) in d["bars"].items():
        for j in range(6):
            residual[j] -= forces[bar] * g[j]
    return length, min(values) / max(values), residual, free


def close(a, b, scale):
    """True when a and b agree to 1e-9 of scale (the size of the quantity they belong to)."""
    return abs(a - b) <= 1e-9 * scale + 1e-300


def read_csv_export(path):
    """The CSV export: (the leading block as {name: [fields]}, the bar table as a list of
    dicts under the header row)."""
    import csv
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    blank = rows.index([])
    block = {row[0]: row[1:] for row in rows[:blank]}
    header = rows[blank + 1]
    return block, [dict(zip(header, row)) for row in rows[blank + 2:]]


# ---------------------------------------------------------------------------------------------
# A copy of the program in a temporary folder

class Sandbox:
    def __init__(self, settings="[program]\r\nautoupdate=0\r\n"):
        self.root = tempfile.mkdtemp(prefix="tarvelin-prog-")
        self.bin = os.path.join(self.root, "bin")
        os.mkdir(self.bin)
        self.program = os.path.join(self.bin, "tarvelin")
        shutil.copy2(PROGRAM, self.program)
        self.ini = os.path.join(self.bin, "tarvelin.ini")
        if settings is not None:
            with open(self.ini, "w", newline="") as f:
                f.write(settings)
        self.home = os.path.join(self.root, "home")
        os.mkdir(self.home)
        self.runtime = os.path.join(self.root, "runtime")
        os.mkdir(self.runtime, 0o700)

    def cleanup(self):
        subprocess.run(["chattr", "-R", "-i", self.root], stderr=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL)
        for dirpath, dirnames, filenames in os.walk(self.root):
            for name in dirnames + filenames:
                try:
                    os.chmod(os.path.join(dirpath, name), 0o700)
                except OSError:
                    pass
        shutil.rmtree(self.root, ignore_errors=True)

    def copy_example(self, name, folder=None):
        target = os.path.join(folder or self.bin, name)
        shutil.copy2(os.path.join(EXAMPLES, name), target)
        return target

    def env(self, window):
        env = dict(os.environ)
        for var in ("QT_QPA_PLATFORM", "WAYLAND_DISPLAY"):
            env.pop(var, None)
        if not window:
            env.pop("DISPLAY", None)
        env["HOME"] = self.home
        env["XDG_CONFIG_HOME"] = os.path.join(self.home, "config")
        env["XDG_DATA_HOME"] = os.path.join(self.home, "data")
        env["XDG_RUNTIME_DIR"] = self.runtime
        return env

    def run(self, args, cwd=None, window=False, timeout=60, extra_env=None):
        env = self.env(window)
        if extra_env:
            env.update(extra_env)
        proc = subprocess.run([self.program] + args, cwd=cwd or self.bin, env=env,
                              capture_output=True, text=True, timeout=timeout)
        return proc.returncode, proc.stderr

    def start(self, args, cwd=None):
        """Starts the program with a window; its standard error is kept for the diagnostics and
        carries the start-up milestones that the windowed cases wait for."""
        env = self.env(True)
        env["QT_LOGGING_RULES"] = "tarvelin.startup.info=true"
        fd, path = tempfile.mkstemp(prefix="stderr-", suffix=".txt", dir=self.root)
        try:
            proc = subprocess.Popen([self.program] + args, cwd=cwd or self.bin, env=env,
                                    stdout=subprocess.DEVNULL, stderr=fd)
        finally:
            os.close(fd)
        proc.args_given = args
        proc.stderr_path = path
        return proc


class ProgramCase(unittest.TestCase):
    def setUp(self):
        self.box = Sandbox()

    def tearDown(self):
        self.box.cleanup()

    def assertResultsMatch(self, pen):
        """The written results agree with the independent calculation of the same model."""
        written = read_profile(pen)
        self.assertIn("displacements", written)
        u, forces = independent_results(pen)
        for key, value in zip(("ux", "uy", "uz", "phix", "phiy", "phiz"), u):
            self.assertAlmostEqual(float(written["displacements"][key]), value, delta=0.0005001,
                                   msg=key)
        for bar, force in forces.items():
            text = written["elementforces"][str(bar)]
            self.assertRegex(text, r"^-?\d+\.\d{4}$")
            self.assertAlmostEqual(float(text), force, delta=0.00005 + 1e-9 * abs(force),
                                   msg="bar %d" % bar)

    def assertExportMatches(self, pen, exported, model=None):
        """The JSON export read back agrees with the independent calculation of pen, with the
        rounded results the data file got, and with itself (EA/L, elongation, stress)."""
        import json
        with open(exported, encoding="utf-8") as f:
            data = json.load(f)
        u, forces, model_data = independent_results(pen, details=True)
        self.assertEqual(data["format"], "tarvelin-results")
        self.assertEqual(data["version"], 1)
        if model is not None:
            self.assertEqual(data["model"], model)
        self.assertIs(data["mechanism"], False)
        names = ("Fx", "Fy", "Fz", "Tx", "Ty", "Tz")
        self.assertEqual([data["loads"][k] for k in names], model_data["loads"])
        written = read_profile(pen)["displacements"]
        u_scale = max(abs(x) for x in u) or 1.0
        for key, value in zip(("ux", "uy", "uz", "phix", "phiy", "phiz"), u):
            got = data["displacements"][key]
            self.assertTrue(close(got, value, u_scale), "%s: %r, independent %r" % (key, got, value))
            self.assertEqual(float(written[key]), round(got, 3) + 0.0, key)
        K = model_data["K"]
        k_scale = max(abs(x) for row in K for x in row)
        for i in range(6):
            for j in range(6):
                self.assertTrue(close(data["stiffness"][i][j], K[i][j], k_scale), (i, j))
        f_scale = max(abs(x) for x in forces.values()) or 1.0
        self.assertEqual([b["bar"] for b in data["bars"]], sorted(forces))
        pen_forces = read_profile(pen)["elementforces"]
        for b in data["bars"]:
            begin, end, typ, e, a, length, k, _ = model_data["bars"][b["bar"]]
            self.assertEqual((b["beginNode"], b["endNode"], b["type"]), (begin, end, typ))
            self.assertEqual((b["E"], b["A"]), (e, a))
            self.assertTrue(close(b["length"], length, length), b)
            self.assertTrue(close(b["axialStiffness"], k, k), b)
            self.assertTrue(close(b["force"], forces[b["bar"]], f_scale), b)
            self.assertEqual(pen_forces[str(b["bar"])], "%.4f" % b["force"])
            if k != 0:
                self.assertTrue(close(b["elongation"], b["force"] / k, abs(b["elongation"])), b)
            self.assertTrue(close(b["stress"], b["force"] / a, abs(b["stress"])), b)
        return data

    def assertSettings(self, key, value, path=None):
        settings = read_profile(path or self.box.ini)
        self.assertEqual(settings["program"].get(key.lower()), value)


# ---------------------------------------------------------------------------------------------
# Batch runs without a window

class Headless(ProgramCase):
    def test_examples_are_calculated_and_written(self):
        for name in EXAMPLE_MODELS:
            with self.subTest(model=name):
                pen = self.box.copy_example(name)
                rc, err = self.box.run(["-i", name])
                self.assertEqual(rc, 0, err)
                self.assertEqual(err, "")
                self.assertResultsMatch(pen)
                self.assertSettings("datafile", name)  # as given on the command line
                self.assertFalse(os.path.exists(os.path.join(self.box.bin, "tarvelin.wrl")))

    def test_written_file_keeps_other_sections_and_model(self):
        pen = self.box.copy_example("redundant.PEN")
        with open(pen, "ab") as f:
            f.write(b"[notes]\r\nauthor=someone\r\n")
        rc, err = self.box.run(["-i", "redundant.PEN"])
        self.assertEqual(rc, 0, err)
        after = read_profile(pen)
        before = read_profile(os.path.join(EXAMPLES, "redundant.PEN"))
        self.assertEqual(after["notes"], {"author": "someone"})
        for section in ("loads", "coordinates", "elements", "barproperties"):
            self.assertEqual(after[section], before[section], section)
        self.assertEqual(after["elements"]["2"], "6@2@1")  # reversed bars stay reversed

    def test_unused_degrees_of_freedom_are_fixed(self):
        pen = self.box.copy_example("planar.PEN")
        rc, err = self.box.run(["-i", "planar.PEN"])
        self.assertEqual(rc, 0, err)
        d = read_profile(pen)["displacements"]
        for key in ("uy", "phix", "phiz"):
            self.assertEqual(float(d[key]), 0.0, key)
        self.assertNotEqual(float(d["ux"]), 0.0)

    def failing_run(self, text):
        """Runs a batch on a data file of `text` that must fail with status 1 and leave the data
        file and the settings byte for byte as they were; returns standard error."""
        pen = os.path.join(self.box.bin, "bad.PEN")
        write_pen(pen, text)
        settings = b"[program]\r\nautoupdate=0\r\nworkingdir=/nowhere/\r\n"
        with open(self.box.ini, "wb") as f:
            f.write(settings)
        rc, err = self.box.run(["-i", "bad.PEN"])
        self.assertEqual(rc, 1, err)
        self.assertEqual(file_bytes(pen), text.replace("\n", "\r\n").encode())
        self.assertEqual(file_bytes(self.box.ini), settings)
        return err

    def test_failures_leave_data_and_settings_untouched(self):
        cases = {
            "coordinate text": ("1=abc@0@0", "Input error in coordinate table, check the numbers."),
            "node number with a comma": ("1=0@0@0", "'3.0' is not a valid integer value"),
            "load with a comma": ("1=0@0@0", "'1,5' is not a valid floating point value"),
        }
        base = ("[loads]\nFx=LOAD\nFy=0\nFz=10\nTx=0\nTy=0\nTz=0\n[properties]\nE=1000\n"
                "A=0.002\n[coordinates]\nCOORD\n2=0@0@2\n3=0@0@3\n[elements]\n1=1@NODE\n"
                "[extra]\nkeep=1\n")
        for name, (coord, message) in cases.items():
            with self.subTest(case=name):
                text = base.replace("COORD", coord)
                text = text.replace("LOAD", "1,5" if "load" in name else "1")
                text = text.replace("NODE", "3,0" if "comma" in name and "node" in name else "2")
                self.assertIn(message, self.failing_run(text))

    # The translation mechanism: five bars across (1, 1, 0), so the block slides along it.
    MECHANISM = ("[loads]\nFx=LOAD_X\nFy=LOAD_Y\nFz=0\nTx=0\nTy=0\nTz=0\n[properties]\nE=E_VALUE\n"
                 "A=0.01\n[coordinates]\n1=0@0@0\n2=-1@1@0\n3=1@1@0\n4=0@2@0\n5=0@0@-1\n"
                 "6=1@0@0\n7=1@0@-1\n8=0@1@0\n9=0@1@-1\n[elements]\n1=1@2\n2=3@4\n3=1@5\n"
                 "4=6@7\n5=8@9\n[extra]\nkeep=1\n")

    def test_mechanism_and_invalid_values_fail_and_leave_both_files(self):
        cases = {
            "mechanism the load drives": (("1", "0", "1000"), [
                "Wrong bar layout, singular matrix found.",
                "The bars leave the block free to move, and the load drives that motion.",
                "Translation of the block along (0.7071, 0.7071, 0).",
                "A bar with a component along this direction would restrain it."]),
            "negative E": (("1", "-1", "-1000"), [
                "Bar type 0 has a negative E = -1000 kN/m^2 (bar type table, type 0, column "
                "\"E [kN/m^2]\"), used by bar 1. E and A must not be negative."]),
        }
        for name, ((fx, fy, e), lines) in cases.items():
            with self.subTest(case=name):
                text = (self.MECHANISM.replace("LOAD_X", fx).replace("LOAD_Y", fy)
                        .replace("E_VALUE", e))
                self.assertEqual(self.failing_run(text).splitlines(), lines)

    def test_warnings_go_to_stderr_and_the_run_succeeds(self):
        # A load across the free slide does not drive it: solved, with the slide as a warning.
        text = self.MECHANISM.replace("LOAD_X", "1").replace("LOAD_Y", "-1").replace(
            "E_VALUE", "1000")
        pen = os.path.join(self.box.bin, "slide.PEN")
        write_pen(pen, text)
        rc, err = self.box.run(["-i", "slide.PEN"])
        self.assertEqual(rc, 0, err)
        self.assertTrue(err.startswith("Warning: The bar layout is a mechanism"), err)
        self.assertIn("Translation of the block along (0.7071, 0.7071, 0).", err)
        self.assertIn("displacements", read_profile(pen))

        # A load on a degree of freedom that no bar restrains is named.
        pen = os.path.join(self.box.bin, "fixed.PEN")
        write_pen(pen, "[loads]\nFx=0\nFy=10\nFz=5\n[properties]\nE=1000\nA=0.002\n"
                       "[coordinates]\n1=0@0@0\n2=0@0@2\n[elements]\n1=1@2\n")
        rc, err = self.box.run(["-i", "fixed.PEN"])
        self.assertEqual(rc, 0, err)
        self.assertEqual(err, "Warning: The load Fy = 10 kN acts along a degree of freedom that no "
                              "bar restrains; it was disregarded.\n")
        self.assertEqual(float(read_profile(pen)["displacements"]["uz"]), 5.0)

    def test_read_only_data_file_fails_with_status_1(self):
        pen = self.box.copy_example("hexapod.PEN")
        os.chmod(pen, 0o444)
        before = file_bytes(pen)
        rc, err = self.box.run(["-i", "hexapod.PEN"])
        self.assertEqual(rc, 1, err)
        self.assertIn("Unable to write to", err)
        self.assertEqual(file_bytes(pen), before)
        self.assertEqual(file_bytes(self.box.ini), b"[program]\r\nautoupdate=0\r\n")

    def test_settings_that_cannot_be_written_put_the_data_file_back(self):
        pen = self.box.copy_example("hexapod.PEN")
        before = file_bytes(pen)
        os.chmod(self.box.ini, 0o444)
        rc, err = self.box.run(["-i", "hexapod.PEN"])
        self.assertEqual(rc, 1, err)
        self.assertIn("Unable to write to " + self.box.ini, err)
        self.assertEqual(file_bytes(pen), before)

    def test_scene_is_written_only_with_w(self):
        scene = os.path.join(self.box.bin, "tarvelin.wrl")
        self.box.copy_example("hexapod.PEN")
        rc, err = self.box.run(["-i", "hexapod.PEN"])
        self.assertEqual(rc, 0, err)
        self.assertFalse(os.path.exists(scene))
        for args, labelled in ((["-w"], False), (["-w", "-n"], True)):
            with self.subTest(args=args):
                rc, err = self.box.run(["-i", "hexapod.PEN"] + args)
                self.assertEqual(rc, 0, err)
                text = file_bytes(scene).decode("latin-1")
                self.assertTrue(text.startswith("#VRML V2.0 utf8"))
                self.assertIn("hexapod.PEN", text)
                # Six bars: one cylinder each, and the axis rods of the block.
                self.assertGreaterEqual(text.count("Cylinder"), 6)
                self.assertEqual("Text" in text and "\"12\"" in text, labelled)

    def test_picture_with_p_without_a_display(self):
        # The picture is painted on the offscreen platform: no display, no window.
        self.box.copy_example("hexapod.PEN")
        for name, head in (("hexapod.png", b"\x89PNG\r\n\x1a\n"), ("Hexapod.SVG", b"<?xml")):
            with self.subTest(name=name):
                rc, err = self.box.run(["-i", "hexapod.PEN", "-p", name])
                self.assertEqual(rc, 0, err)
                self.assertTrue(file_bytes(os.path.join(self.box.bin, name)).startswith(head))
        # A failed calculation writes no picture; a bad name stops before anything is read.
        pen = os.path.join(self.box.bin, "bad.PEN")
        with open(pen, "wb") as f:
            f.write(b"[coordinates]\r\n1=1@0@0\r\n2=3@0@0\r\n[elements]\r\n1=1@2@x\r\n")
        rc, err = self.box.run(["-i", "bad.PEN", "-p", "bad.png"])
        self.assertEqual(rc, 1, err)
        self.assertFalse(os.path.exists(os.path.join(self.box.bin, "bad.png")))
        rc, err = self.box.run(["-i", "hexapod.PEN", "-p", "bad.jpg"])
        self.assertEqual(rc, 2, err)
        self.assertIn("must end in .png or .svg", err)
        self.assertFalse(os.path.exists(os.path.join(self.box.bin, "bad.jpg")))

    def test_scene_that_cannot_be_written_fails_before_the_data_file(self):
        os.mkdir(os.path.join(self.box.bin, "tarvelin.wrl"))  # a folder where the scene goes
        pen = self.box.copy_example("planar.PEN")
        before = file_bytes(pen)
        rc, err = self.box.run(["-i", "planar.PEN", "-w"])
        self.assertEqual(rc, 1, err)
        self.assertIn("Can not create a VRML file", err)
        self.assertEqual(file_bytes(pen), before)

    def test_offscreen_platform_runs_without_a_window(self):
        self.box.copy_example("planar.PEN")
        rc, err = self.box.run(["-i", "planar.PEN"],
                               extra_env={"DISPLAY": ":12345", "QT_QPA_PLATFORM": "offscreen"})
        self.assertEqual(rc, 0, err)

    def test_display_that_is_gone_runs_the_batch_without_a_window(self):
        self.box.copy_example("planar.PEN")
        rc, err = self.box.run(["-i", "planar.PEN"], extra_env={"DISPLAY": ":987654"})
        self.assertEqual(rc, 0, err)

    def test_unwritable_program_folder_uses_the_user_folders(self):
        if shutil.which("chattr") is None:
            self.skipTest("chattr is not available")
        work = os.path.join(self.box.root, "work")
        os.mkdir(work)
        pen = self.box.copy_example("hexapod.PEN", work)
        ini_before = file_bytes(self.box.ini)
        if subprocess.run(["chattr", "+i", self.box.bin]).returncode != 0:
            self.skipTest("chattr +i is not supported here")
        try:
            rc, err = self.box.run(["-i", pen, "-w"], cwd=work)
        finally:
            subprocess.run(["chattr", "-i", self.box.bin])
        self.assertEqual(rc, 0, err)
        self.assertResultsMatch(pen)
        user_ini = os.path.join(self.box.home, "config", "tarvelin", "tarvelin.ini")
        self.assertSettings("datafile", pen, user_ini)
        self.assertTrue(os.path.exists(os.path.join(self.box.home, "data", "tarvelin",
                                                    "tarvelin.wrl")))
        self.assertEqual(file_bytes(self.box.ini), ini_before)
        self.assertEqual(sorted(os.listdir(self.box.bin)), ["tarvelin", "tarvelin.ini"])

    def test_results_export_matches_the_independent_calculation(self):
        for name in EXAMPLE_MODELS:
            with self.subTest(model=name):
                pen = self.box.copy_example(name)
                stem = name[:-4]
                rc, err = self.box.run(["-i", name, "-o", stem + ".json"])
                self.assertEqual(rc, 0, err)
                self.assertEqual(err, "")
                data = self.assertExportMatches(pen, os.path.join(self.box.bin, stem + ".json"),
                                                model=name)
                # The CSV holds the same numbers, digit for digit.
                rc, err = self.box.run(["-i", name, "-o", stem + ".CSV"])
                self.assertEqual(rc, 0, err)
                block, bars = read_csv_export(os.path.join(self.box.bin, stem + ".CSV"))
                self.assertEqual(block["model"], [name])
                self.assertEqual([float(x) for x in block["load (kN; kNm)"]],
                                 [data["loads"][k] for k in ("Fx", "Fy", "Fz", "Tx", "Ty", "Tz")])
                self.assertEqual([float(x) for x in block["displacement (m; rad)"]],
                                 [data["displacements"][k]
                                  for k in ("ux", "uy", "uz", "phix", "phiy", "phiz")])
                for i in range(6):
                    self.assertEqual([float(x) for x in block["stiffness row %d" % (i + 1)]],
                                     data["stiffness"][i])
                self.assertEqual(len(bars), len(data["bars"]))
                for row, b in zip(bars, data["bars"]):
                    self.assertEqual(int(row["bar"]), b["bar"])
                    self.assertEqual(float(row["force (kN)"]), b["force"])
                    self.assertEqual(float(row["stress (kN/m2)"]), b["stress"])
                    self.assertEqual(float(row["EA/L (kN/m)"]), b["axialStiffness"])

    def test_export_carries_the_checks(self):
        for name in EXAMPLE_MODELS:
            with self.subTest(model=name):
                import json
                pen = self.box.copy_example(name)
                rc, err = self.box.run(["-i", name, "-o", "r.json"])
                self.assertEqual(rc, 0, err)
                with open(os.path.join(self.box.bin, "r.json")) as f:
                    data = json.load(f)
                length, ratio, residual, free = independent_checks(pen)
                self.assertTrue(close(data["characteristicLength"], length, length))
                self.assertTrue(1e-8 < ratio <= 1.0, ratio)
                self.assertTrue(close(data["eigenvalueRatio"], ratio, ratio * 1e3), ratio)
                names = ("Fx", "Fy", "Fz", "Tx", "Ty", "Tz")
                loads = [data["loads"][k] for k in names]
                load_scale = max(abs(x) for x in loads)
                for key, value in zip(names, residual):
                    self.assertTrue(close(data["residual"]["vector"][key], value, load_scale),
                                    (key, data["residual"]["vector"][key], value))
                exported = [data["residual"]["vector"][k] for k in names]
                scale = [1.0] * 3 + [1.0 / length] * 3
                largest_load = max(abs(loads[j]) * scale[j] for j in free)
                relative = max(abs(exported[j]) * scale[j] for j in range(6)) / largest_load
                self.assertTrue(close(data["residual"]["relative"], relative, 1.0))
                self.assertLess(data["residual"]["relative"], 1e-12)
                self.assertEqual(data["warnings"], [])
                self.assertEqual(data["freeMotions"], [])

    def test_disregarded_load_is_a_warning_in_the_export(self):
        pen = os.path.join(self.box.bin, "planar.PEN")
        text = file_bytes(os.path.join(EXAMPLES, "planar.PEN")).decode("latin-1")
        write_pen(pen, text.replace("\r\n", "\n").replace("Fy=0.000", "Fy=10"))
        rc, err = self.box.run(["-i", "planar.PEN", "-o", "r.csv"])
        self.assertEqual(rc, 0, err)
        block, _ = read_csv_export(os.path.join(self.box.bin, "r.csv"))
        self.assertEqual(block["warning"],
                         ["The load Fy = 10 kN acts along a degree of freedom that no bar "
                          "restrains; it was disregarded."])
        self.assertEqual(block["load (kN; kNm)"][1], "10")
        self.assertEqual(float(block["residual (kN; kNm)"][1]), 0.0)

    def test_free_motion_that_the_load_leaves_alone_is_in_the_export(self):
        # A load across the free slide: solved, the slide exported as a free motion.
        text = self.MECHANISM.replace("LOAD_X", "1").replace("LOAD_Y", "-1").replace(
            "E_VALUE", "1000")
        write_pen(os.path.join(self.box.bin, "slide.PEN"), text)
        for export in ("slide.json", "slide.csv"):
            rc, err = self.box.run(["-i", "slide.PEN", "-o", export])
            self.assertEqual(rc, 0, err)
        import json
        with open(os.path.join(self.box.bin, "slide.json")) as f:
            data = json.load(f)
        self.assertIs(data["mechanism"], False)
        self.assertLessEqual(data["eigenvalueRatio"], 1e-10)
        self.assertEqual(len(data["freeMotions"]), 1)
        motion = data["freeMotions"][0]
        self.assertEqual(motion["type"], "translation")
        along = [abs(x) for x in motion["direction"]]
        for got, expected in zip(along, (math.sqrt(0.5), math.sqrt(0.5), 0.0)):
            self.assertAlmostEqual(got, expected, places=12)
        self.assertEqual(len(motion["mode"]), 6)
        self.assertIn("Translation of the block along (0.7071, 0.7071, 0).", motion["text"])
        self.assertTrue(data["warnings"][0].startswith("The bar layout is a mechanism"))
        # The displacements leave the free motion out.
        u = [data["displacements"][k] for k in ("ux", "uy", "uz", "phix", "phiy", "phiz")]
        self.assertAlmostEqual(sum(a * b for a, b in zip(u, motion["mode"])), 0.0, places=12)
        block, _ = read_csv_export(os.path.join(self.box.bin, "slide.csv"))
        self.assertEqual(block["free motion 1"], ["translation", motion["text"]])
        self.assertEqual([float(x) for x in block["free motion 1 direction"]],
                         motion["direction"])
        self.assertEqual(block["warning"], [data["warnings"][-1]])

    def test_unused_degrees_of_freedom_keep_their_load_in_the_export(self):
        pen = self.box.copy_example("planar.PEN")
        rc, err = self.box.run(["-i", "planar.PEN", "-o", "planar.json"])
        self.assertEqual(rc, 0, err)
        data = self.assertExportMatches(pen, os.path.join(self.box.bin, "planar.json"))
        for key in ("uy", "phix", "phiz"):
            self.assertEqual(data["displacements"][key], 0, key)
        # The stiffness as assembled: the rows no bar restrains are all zero, not fixed at 1.
        for row in (1, 3, 5):
            self.assertEqual(data["stiffness"][row], [0] * 6)

    def test_failed_runs_write_no_export(self):
        sound = ("[loads]\nFx=1\nFy=0\nFz=10\nTx=0\nTy=0\nTz=0\n[properties]\nE=1000\n"
                 "A=0.002\n[coordinates]\n1=0@0@1\n2=0@0@2\n[elements]\n1=1@2\n")
        settings = b"[program]\r\nautoupdate=0\r\nworkingdir=/nowhere/\r\n"
        os.mkdir(os.path.join(self.box.bin, "locked"))
        cases = [
            # (data file text, export name, message)
            (sound.replace("Fz=10", "Fz=1,5"), "r.json",
             "'1,5' is not a valid floating point value"),
            (self.MECHANISM.replace("LOAD_X", "1").replace("LOAD_Y", "0")
             .replace("E_VALUE", "1000"), "r.json", "Wrong bar layout, singular matrix found."),
            (sound.replace("1=0@0@1", "1=abc@0@1"), "r.csv",
             "Input error in coordinate table, check the numbers."),
            (None, "missing/r.json", "Unable to write to missing/r.json"),
            (None, "locked/r.json", "Unable to write to locked/r.json"),
        ]
        for text, export, message in cases:
            with self.subTest(export=export, message=message):
                pen = os.path.join(self.box.bin, "m.PEN")
                if text is None:
                    shutil.copy2(os.path.join(EXAMPLES, "hexapod.PEN"), pen)
                else:
                    write_pen(pen, text)
                before = file_bytes(pen)
                target = os.path.join(self.box.bin, export)
                old = None
                if export.startswith("locked/"):
                    old = b'{"old": true}'
                    with open(target, "wb") as f:
                        f.write(old)
                    if subprocess.run(["chattr", "+i", os.path.dirname(target)]).returncode:
                        self.skipTest("chattr +i is not supported here")
                with open(self.box.ini, "wb") as f:
                    f.write(settings)
                try:
                    rc, err = self.box.run(["-i", "m.PEN", "-o", export, "-w"])
                    folder = sorted(os.listdir(os.path.dirname(target))) if old else None
                finally:
                    subprocess.run(["chattr", "-i", os.path.join(self.box.bin, "locked")])
                self.assertEqual(rc, 1, err)
                self.assertIn(message, err)
                self.assertEqual(file_bytes(pen), before)
                self.assertEqual(file_bytes(self.box.ini), settings)
                self.assertFalse(os.path.exists(os.path.join(self.box.bin, "tarvelin.wrl")))
                if old is None:
                    self.assertFalse(os.path.exists(target))
                else:
                    self.assertEqual(file_bytes(target), old)
                    self.assertEqual(folder, ["r.json"])  # no temporary file left

    def test_scene_that_cannot_be_written_puts_the_export_back(self):
        os.mkdir(os.path.join(self.box.bin, "tarvelin.wrl"))  # a folder where the scene goes
        pen = self.box.copy_example("planar.PEN")
        before = file_bytes(pen)
        old = os.path.join(self.box.bin, "old.csv")
        with open(old, "wb") as f:
            f.write(b"old export\r\n")
        for export in ("old.csv", "new.json"):
            with self.subTest(export=export):
                rc, err = self.box.run(["-i", "planar.PEN", "-w", "-o", export])
                self.assertEqual(rc, 1, err)
                self.assertIn("Can not create a VRML file", err)
                self.assertEqual(file_bytes(pen), before)
        self.assertEqual(file_bytes(old), b"old export\r\n")
        self.assertFalse(os.path.exists(os.path.join(self.box.bin, "new.json")))

    def test_parallel_runs_in_one_folder_keep_to_their_own_files(self):
        # A parameter study: eight variants of one model run side by side in one folder, each
        # with its scene and its export; several rounds, so that the runs overlap in
        # different ways. Every run must end well and every file must be whole.
        base = file_bytes(os.path.join(EXAMPLES, "hexapod.PEN")).decode("latin-1")
        variants = []
        for n in range(1, 9):
            name = "v%d.PEN" % n
            text = "\r\n".join("Fz=%d" % (100 * n) if line.lower().startswith("fz=") else line
                                for line in base.splitlines())
            with open(os.path.join(self.box.bin, name), "w", newline="") as f:
                f.write(text + "\r\n")
            variants.append(name)
        env = self.box.env(False)
        for _ in range(3):
            procs = [subprocess.Popen([self.box.program, "-i", name, "-w", "-o",
                                       name[:-4] + ".json"], cwd=self.box.bin, env=env,
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                     for name in variants]
            for proc in procs:
                out, err = proc.communicate(timeout=60)
                self.assertEqual(proc.returncode, 0, err)
            for n, name in enumerate(variants, 1):
                pen = os.path.join(self.box.bin, name)
                data = self.assertExportMatches(pen, pen[:-4] + ".json", model=name)
                self.assertEqual(data["loads"]["Fz"], 100 * n)
            settings = read_profile(self.box.ini)["program"]
            self.assertEqual(settings["autoupdate"], "0")
            self.assertIn(settings["datafile"], variants)
            scene = file_bytes(os.path.join(self.box.bin, "tarvelin.wrl")).decode("latin-1")
            self.assertTrue(scene.startswith("#VRML V2.0 utf8"))
            self.assertIn("# end of file", scene)
            self.assertEqual(sorted(os.listdir(self.box.bin)),
                             sorted(["tarvelin", "tarvelin.ini", "tarvelin.wrl"] + variants +
                                    [v[:-4] + ".json" for v in variants]))

    def test_large_table_lengths_grow_from_the_file(self):
        # Keys beyond the table length are read all the same: the tables grow to the file.
        rows = ["%d=%d.000@0.000@1.000" % (n, n) for n in range(1, 151)]
        rows += ["%d=%d.000@0.000@3.000" % (n + 150, n) for n in range(1, 151)]
        bars = ["%d=%d@%d" % (n, n, n + 150) for n in range(1, 151)]
        text = ("[loads]\nFx=0\nFy=0\nFz=150\nTx=0\nTy=0\nTz=0\n[properties]\nE=1000\n"
                "A=0.002\n[coordinates]\n" + "\n".join(rows) + "\n[elements]\n" +
                "\n".join(bars) + "\n")
        pen = os.path.join(self.box.bin, "long.PEN")
        write_pen(pen, text)
        rc, err = self.box.run(["-i", "long.PEN", "-R", "21"])
        self.assertEqual(rc, 0, err)
        written = read_profile(pen)
        self.assertEqual(len(written["elementforces"]), 150)
        self.assertResultsMatch(pen)


# ---------------------------------------------------------------------------------------------
# The command line

class CommandLine(ProgramCase):
    def test_without_display_and_batch_exits_2(self):
        for args in ([], ["-t"], ["-i"], ["-t", "-i"], ["-R", "50"], ["model.PEN"]):
            with self.subTest(args=args):
                rc, err = self.box.run(args)
                self.assertEqual(rc, 2)
                self.assertIn("display", err)
                self.assertIn("-i", err)
        self.assertEqual(file_bytes(self.box.ini), b"[program]\r\nautoupdate=0\r\n")

    def test_command_line_errors_exit_2_and_write_nothing(self):
        self.box.copy_example("planar.PEN")
        with open(os.path.join(self.box.bin, "model.txt"), "w") as f:
            f.write("[loads]\n")
        cases = [
            (["-i", "model.txt"], "Not a .PEN file"),
            (["-i", "missing.PEN"], "Error in filename or path, no spaces in name or path accepted"),
            (["-i", "planar.PEN", "-R", "1.5"], "'1.5' is not a valid integer value"),
            (["-i", "planar.PEN", "-R", "1E3"], "'1E3' is not a valid integer value"),
            (["-i", "planar.PEN", "-R", "5000000"], "The table length 5000000 lies outside"),
            (["-i", "planar.PEN", "-R", "1"], "The table length 1 lies outside"),
            (["-i", "model.txt", "-i", "planar.PEN"], "Not a .PEN file"),
            (["-i", "-R", "50"], "Not a .PEN file"),
            (["-i", "planar.PEN", "-i", "missing.PEN"], "Error in filename or path"),
        ]
        pen = os.path.join(self.box.bin, "planar.PEN")
        for args, message in cases:
            with self.subTest(args=args):
                before = file_bytes(pen)
                rc, err = self.box.run(args)
                self.assertEqual(rc, 2, err)
                self.assertIn(message, err)
                self.assertEqual(file_bytes(pen), before)
                self.assertEqual(file_bytes(self.box.ini), b"[program]\r\nautoupdate=0\r\n")
                self.assertFalse(os.path.exists(os.path.join(self.box.bin, "data.PEN")))

    def test_export_option_errors_exit_2_and_write_nothing(self):
        pen = self.box.copy_example("planar.PEN")
        before = file_bytes(pen)
        cases = [
            (["-i", "planar.PEN", "-o", "r.txt"],
             "Results can only be exported to a .json or a .csv file: r.txt"),
            (["-i", "planar.PEN", "-o", "r.json.bak"], "Results can only be exported"),
            (["-i", "planar.PEN", "-o"], "The option -o needs a file name ending in .json or .csv"),
            (["-o", "r.pen", "-i", "planar.PEN"], "Results can only be exported"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                rc, err = self.box.run(args)
                self.assertEqual(rc, 2, err)
                self.assertIn(message, err)
                self.assertEqual(file_bytes(pen), before)
                self.assertEqual(file_bytes(self.box.ini), b"[program]\r\nautoupdate=0\r\n")
                self.assertEqual(sorted(os.listdir(self.box.bin)),
                                 ["planar.PEN", "tarvelin", "tarvelin.ini"])

    def test_data_file_names_are_resolved(self):
        elsewhere = os.path.join(self.box.root, "elsewhere")
        os.mkdir(elsewhere)
        in_bin = self.box.copy_example("planar.PEN")
        lower = self.box.copy_example("hexapod.PEN", elsewhere)
        os.rename(lower, os.path.join(elsewhere, "hexapod.pen"))
        lower = os.path.join(elsewhere, "hexapod.pen")
        # (arguments, current folder, the file run, "datafile" afterwards: a name found as
        # given stays as given)
        cases = [
            # found only in the program's folder, started from another folder
            (["-i", "planar.PEN"], elsewhere, in_bin, in_bin),
            # relative to the current folder, lower-case extension
            (["-i", "hexapod.pen"], elsewhere, lower, "hexapod.pen"),
            # an absolute name that contains the program's folder
            (["-i", in_bin], elsewhere, in_bin, in_bin),
            # relative with a folder part
            (["-i", "../elsewhere/hexapod.pen"], self.box.bin, lower,
             "../elsewhere/hexapod.pen"),
        ]
        for args, cwd, path, stored in cases:
            with self.subTest(args=args):
                rc, err = self.box.run(args, cwd=cwd)
                self.assertEqual(rc, 0, err)
                self.assertSettings("datafile", stored)
                self.assertIn("displacements", read_profile(path))

    def test_table_length_options(self):
        self.box.copy_example("planar.PEN")
        cases = [
            # (settings gridlength, arguments, gridlength in the settings afterwards)
            (None, ["-R", "50", "-i", "planar.PEN"], "50"),
            ("50", ["-i", "planar.PEN", "-R", "101"], "50"),  # 101 is not written
            ("60", ["-i", "planar.PEN"], "60"),
            (None, ["-i", "planar.PEN", "-R", "abc"], None),  # not a number text: ignored
            (None, ["-i", "planar.PEN", "-R"], None),  # last argument: ignored
            (None, ["-R", "30", "-R", "40", "-i", "planar.PEN"], "40"),  # the later one wins
        ]
        for setting, args, expected in cases:
            with self.subTest(args=args, setting=setting):
                text = "[program]\r\nautoupdate=0\r\n"
                if setting:
                    text += "gridlength=%s\r\n" % setting
                with open(self.box.ini, "w", newline="") as f:
                    f.write(text)
                rc, err = self.box.run(args)
                self.assertEqual(rc, 0, err)
                self.assertSettings("gridlength", expected)

    def test_bad_gridlength_setting_is_reported_and_the_run_goes_on(self):
        pen = self.box.copy_example("planar.PEN")
        with open(self.box.ini, "w", newline="") as f:
            f.write("[program]\r\nautoupdate=0\r\ngridlength=1.5\r\n")
        rc, err = self.box.run(["-i", "planar.PEN"])
        self.assertEqual(rc, 0, err)
        self.assertIn("'1.5' is not a valid integer value", err)
        self.assertResultsMatch(pen)

    def test_test_output_option_is_cleared_by_reading(self):
        self.box.copy_example("planar.PEN")
        rc, err = self.box.run(["-t", "-i", "planar.PEN"])
        self.assertEqual(rc, 0, err)
        self.assertEqual(err, "")  # no test messages

    def test_settings_after_a_batch_run(self):
        self.box.copy_example("planar.PEN")
        os.remove(self.box.ini)
        rc, err = self.box.run(["-i", "planar.PEN"])
        self.assertEqual(rc, 0, err)
        s = read_profile(self.box.ini)["program"]
        self.assertEqual(s, {"workingdir": self.box.bin + "/", "openlastproject": "0",
                             "datafile": "planar.PEN", "autoupdate": "1",
                             "noIntroPanel".lower(): "0"})


    def test_non_text_data_files_fail_and_stay_as_they_were(self):
        model = open(os.path.join(EXAMPLES, "planar.PEN"), "rb").read().decode("latin-1")
        cases = {
            "utf16.PEN": model.encode("utf-16"),  # with its byte-order mark
            "utf16be.PEN": b"\xfe\xff" + model.encode("utf-16-be"),
            "junk.PEN": bytes(range(256)) * 4,
        }
        for name, data in cases.items():
            with self.subTest(file=name):
                pen = os.path.join(self.box.bin, name)
                with open(pen, "wb") as f:
                    f.write(data)
                settings = file_bytes(self.box.ini)
                rc, err = self.box.run(["-i", name])
                self.assertEqual(rc, 1, err)
                self.assertIn(name + " is not a text file: save it as plain text (UTF-8)", err)
                self.assertEqual(file_bytes(pen), data)
                self.assertEqual(file_bytes(self.box.ini), settings)
        pen = os.path.join(self.box.bin, "bom.PEN")
        with open(pen, "wb") as f:
            f.write(b"\xef\xbb\xbf" + model.encode("latin-1"))
        rc, err = self.box.run(["-i", "bom.PEN"])
        self.assertEqual(rc, 0, err)
        self.assertResultsMatch(pen)

    def test_settings_file_that_is_no_regular_file_is_refused(self):
        pen = self.box.copy_example("planar.PEN")
        before = file_bytes(pen)
        for kind in ("fifo", "/dev/zero"):
            with self.subTest(settings=kind):
                os.remove(self.box.ini)
                if kind == "fifo":
                    os.mkfifo(self.box.ini)
                else:
                    os.symlink(kind, self.box.ini)
                rc, err = self.box.run(["-i", "planar.PEN"], timeout=30)
                # Refused at the start and at the save, so the run fails and puts the data
                # file back; it neither hangs nor runs out of memory.
                self.assertEqual(rc, 1, err)
                self.assertIn("is not a regular file; the default settings are used.", err)
                self.assertEqual(file_bytes(pen), before)

    def test_no_version_check_in_a_batch_run(self):
        with open(self.box.ini, "w", newline="") as f:
            f.write("[program]\r\nautoupdate=1\r\n")
        self.box.copy_example("planar.PEN")
        rc, err = self.box.run(["-i", "planar.PEN"])
        self.assertEqual(rc, 0, err)
        self.assertNotIn("internet_version.ini", os.listdir(self.box.bin))


# ---------------------------------------------------------------------------------------------
# Runs with a window (under Xvfb)

class Windowed(ProgramCase):
    """Every wait here ends on an event (a window mapped or gone, a start-up milestone on the
    program's standard error, the process ended) or on a time-out that fails with the program's
    exit status, its standard error and the windows that exist."""

    def setUp(self):
        if not os.environ.get("DISPLAY"):
            self.skipTest("no X display (run under xvfb-run)")
        super().setUp()
        self.procs = []

    def tearDown(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        super().tearDown()

    def start(self, args):
        proc = self.box.start(args)
        self.procs.append(proc)
        return proc

    def diagnostics(self):
        import xwindows
        lines = []
        for proc in self.procs:
            status = proc.poll()
            lines.append("program %s: %s" % (" ".join(proc.args_given) or "(no arguments)",
                                              "running" if status is None
                                              else "exit status %d" % status))
            with open(proc.stderr_path, errors="replace") as f:
                err = f.read()
            lines.append("its standard error:\n" + (err if err.strip() else "(empty)"))
        try:
            lines.append("windows: %s" % xwindows.titles())
        except RuntimeError as e:
            lines.append("windows: %s" % e)
        return "\n".join(lines)

    def finish(self, proc, timeout=20):
        try:
            proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end\n" + self.diagnostics())
        return proc.returncode

    def close_window(self, proc, title_part="Tarvelin on bars"):
        found = self.wait_window(lambda t: title_part in t)
        import xwindows
        xwindows.close(found[0])
        return self.finish(proc)

    def wait_window(self, predicate, timeout=15):
        import xwindows
        found = xwindows.wait_for(predicate, timeout)
        if found is None:
            self.fail("no such window\n" + self.diagnostics())
        return found

    def wait_ready(self, proc, timeout=15):
        """Waits until the deferred start-up has handed the window to the user."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            with open(proc.stderr_path, errors="replace") as f:
                if "ready for interactive use" in f.read():
                    return
            if proc.poll() is not None:
                break
            time.sleep(0.05)
        self.fail("the window was not handed to the user\n" + self.diagnostics())

    def dismiss(self, title):
        import xwindows
        box = self.wait_window(lambda t: t == title)
        xwindows.close(box[0])
        end = time.monotonic() + 5
        while box[0] in [w for w, _ in xwindows._viewable_titles()]:
            if time.monotonic() > end:
                self.fail("the box %r did not close\n%s" % (title, self.diagnostics()))
            time.sleep(0.05)

    def test_batch_runs_write_and_close(self):
        for name in EXAMPLE_MODELS:
            with self.subTest(model=name):
                pen = self.box.copy_example(name)
                rc, err = self.box.run(["-i", name], window=True, timeout=30)
                self.assertEqual(rc, 0, err)
                self.assertResultsMatch(pen)
                self.assertSettings("datafile", name)

    def test_batch_with_the_version_check_on_neither_checks_nor_waits(self):
        with open(self.box.ini, "w", newline="") as f:
            f.write("[program]\r\nautoupdate=1\r\n")
        pen = self.box.copy_example("planar.PEN")
        rc, err = self.box.run(["-i", "planar.PEN"], window=True, timeout=30)
        self.assertEqual(rc, 0, err)
        self.assertResultsMatch(pen)
        self.assertNotIn("internet_version.ini", os.listdir(self.box.bin))

    def test_batch_run_writes_the_export_with_o(self):
        pen = self.box.copy_example("hexapod.PEN")
        rc, err = self.box.run(["-i", "hexapod.PEN", "-o", "hexapod.json"], window=True,
                               timeout=30)
        self.assertEqual(rc, 0, err)
        self.assertExportMatches(pen, os.path.join(self.box.bin, "hexapod.json"),
                                 model="hexapod.PEN")

    def test_batch_run_writes_the_scene_with_w(self):
        self.box.copy_example("redundant.PEN")
        rc, err = self.box.run(["-i", "redundant.PEN", "-w", "-n"], window=True, timeout=30)
        self.assertEqual(rc, 0, err)
        text = file_bytes(os.path.join(self.box.bin, "tarvelin.wrl")).decode("latin-1")
        self.assertIn("redundant.PEN", text)

    def test_failed_batch_calculation_stays_open_and_close_writes(self):
        pen = os.path.join(self.box.bin, "bad.PEN")
        write_pen(pen, "[loads]\nFx=1\n[properties]\nE=1000\nA=0.002\n[coordinates]\n"
                       "1=abc@0@0\n2=0@0@2\n[elements]\n1=1@2\n")
        before = file_bytes(pen)
        proc = self.start(["-i", "bad.PEN"])
        self.dismiss("Error")  # "Input error in coordinate table, check the numbers."
        self.wait_ready(proc)
        self.assertIsNone(proc.poll(), "the window must stay open")
        self.assertEqual(file_bytes(pen), before)
        self.assertEqual(self.close_window(proc), 0)
        after = read_profile(pen)
        self.assertIn("displacements", after)  # the close wrote the model
        self.assertNotIn("1", after["coordinates"])  # the bad row is not a complete node

    def test_model_that_failed_to_read_is_not_written_back(self):
        pen = os.path.join(self.box.bin, "bad.PEN")
        write_pen(pen, "[loads]\nFx=1,5\n[properties]\nE=1000\nA=0.002\n[coordinates]\n"
                       "1=0@0@1\n2=0@0@2\n[elements]\n1=1@2\n")
        before = file_bytes(pen)
        proc = self.start(["-i", "bad.PEN"])
        self.dismiss("Error")  # "'1,5' is not a valid floating point value"
        self.assertEqual(self.close_window(proc), 0)
        self.assertEqual(file_bytes(pen), before)
        self.assertSettings("datafile", "bad.PEN")  # the settings are still written

    def test_interactive_close_writes_data_pen_and_settings(self):
        proc = self.start([])
        self.wait_window(lambda t: t == "Tarvelin on bars")
        self.wait_ready(proc)
        self.assertEqual(self.close_window(proc), 0)
        data = os.path.join(self.box.bin, "data.PEN")
        written = read_profile(data)
        self.assertEqual(set(written), {"loads", "properties", "displacements"})
        self.assertSettings("datafile", data)

    def test_missing_file_on_the_command_line_starts_interactively(self):
        proc = self.start(["-i", "missing.PEN", "-R", "50"])
        self.dismiss("Error")  # "Error in filename or path, ..."
        self.wait_ready(proc)
        self.assertIsNone(proc.poll())
        self.assertEqual(self.close_window(proc), 0)
        self.assertSettings("datafile", os.path.join(self.box.bin, "data.PEN"))
        self.assertSettings("gridlength", "50")

    def test_command_line_errors_are_shown_and_the_start_goes_on(self):
        pen = self.box.copy_example("planar.PEN")
        with open(os.path.join(self.box.bin, "model.txt"), "w") as f:
            f.write("[loads]\n")
        # "Not a .PEN file", then the table length that is not a whole number; the later
        # "-i" still runs the batch, with the table length as it was.
        proc = self.start(["-i", "model.txt", "-R", "1.5", "-i", "planar.PEN"])
        self.dismiss("Error")
        self.dismiss("Error")
        self.assertEqual(self.finish(proc), 0)
        self.assertResultsMatch(pen)
        self.assertSettings("gridlength", None)

    def test_last_project_is_opened_and_written_back_at_close(self):
        pen = self.box.copy_example("planar.PEN")
        with open(self.box.ini, "w", newline="") as f:
            f.write("[program]\r\nautoupdate=0\r\nopenlastproject=1\r\nnoIntroPanel=1\r\n"
                    "datafile=%s\r\n" % pen)
        proc = self.start([])
        self.wait_window(lambda t: t == "Tarvelin on bars : file=planar.PEN")
        self.assertEqual(self.close_window(proc), 0)
        after = read_profile(pen)
        before = read_profile(os.path.join(EXAMPLES, "planar.PEN"))
        self.assertEqual(after["coordinates"], before["coordinates"])
        self.assertEqual(after["displacements"]["ux"], "0.000")  # nothing calculated


class XServer:
    """A private Xvfb for the windowed cases. The server picks a free display itself and reports
    it (-displayfd): a display number chosen from lock files in /tmp (xvfb-run -a) can be taken
    by a server in another /tmp namespace, whose abstract socket is shared, and the program then
    finds no display of its own. Without -noreset the server resets whenever its last client
    leaves (a program that ended, a look at the window list), and a program starting during that
    reset cannot connect."""

    def __init__(self, timeout=20):
        self.log = tempfile.TemporaryFile()
        read_end, write_end = os.pipe()
        try:
            self.proc = subprocess.Popen(
                [shutil.which("Xvfb"), "-displayfd", str(write_end), "-screen", "0",
                 "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=self.log,
                stderr=self.log, start_new_session=True)
        finally:
            os.close(write_end)
        try:
            self.display = self._read_display(read_end, timeout)
        finally:
            os.close(read_end)

    def _read_display(self, fd, timeout):
        reported = b""
        end = time.monotonic() + timeout
        while not reported.endswith(b"\n"):
            ready, _, _ = select.select([fd], [], [], max(0.0, end - time.monotonic()))
            chunk = os.read(fd, 64) if ready else b""
            if not chunk:
                self.stop()
                raise RuntimeError("Xvfb did not come up (%s); its output:\n%s" % (
                    "no display reported within %d s" % timeout if not ready
                    else "exit status %s" % self.proc.returncode, self.output()))
            reported += chunk
        return ":" + reported.decode().strip()

    def output(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace") or "(nothing)"

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def main():
    global PROGRAM, EXAMPLES, DATA
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--examples", required=True)
    parser.add_argument("--xvfb", action="store_true",
                        help="run the windowed cases on a private Xvfb (exit 77 when it is "
                             "not installed)")
    parser.add_argument("rest", nargs="*")
    opts = parser.parse_args()
    PROGRAM = os.path.abspath(opts.program)
    EXAMPLES = os.path.abspath(opts.examples)
    server = None
    if opts.xvfb:
        if shutil.which("Xvfb") is None:
            print("Xvfb is not installed: windowed cases skipped")
            return 77
        try:
            server = XServer()
        except RuntimeError as e:
            print(e, file=sys.stderr)
            return 1
        os.environ["DISPLAY"] = server.display
        os.environ.pop("QT_QPA_PLATFORM", None)
        os.environ.pop("WAYLAND_DISPLAY", None)
        print("windowed cases on display %s" % server.display)
    try:
        result = unittest.main(argv=[sys.argv[0]] + opts.rest, exit=False, verbosity=2).result
    finally:
        if server is not None:
            server.stop()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
