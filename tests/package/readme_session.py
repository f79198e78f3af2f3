# SPDX-FileCopyrightText: 2026 The ybBlockFileIO developers
# SPDX-License-Identifier: MIT
"""Runs the README's Python session (its ```python block, as a doctest) on the demo block in DEMO_DIR, and
checks that ybblockio and every library of the suite it loaded come from ROOT, and nowhere else (the
module holds the library's core itself and loads the companions it needs).

    python3 readme_session.py README.md DEMO_DIR ROOT
"""

import doctest
import pathlib
import re
import sys

readme, demo, root = sys.argv[1], sys.argv[2], str(pathlib.Path(sys.argv[3]).resolve())
session = re.search(r"```python\n(.*?)```", pathlib.Path(readme).read_text(), re.S).group(1)
session = session.replace("/tmp/ybblock-demo-XXXXXX", demo)
test = doctest.DocTestParser().get_doctest(session, {}, "README", readme, 0)
runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS | doctest.NORMALIZE_WHITESPACE)
if runner.run(test).failed:
    sys.exit("the README's Python session does not give what the README shows")

import ybblockio  # noqa: E402  (loaded by the session already)

maps = pathlib.Path("/proc/self/maps").read_text()
loaded = set(re.findall(r"(/\S*lib(?:ybBlockFileIO|HostBase|YbiBase|ybiOrient|YbiSurvey)\.so\S*)", maps))
module = pathlib.Path(ybblockio.__file__).resolve()
strays = [path for path in loaded | {str(module)} if not str(pathlib.Path(path).resolve()).startswith(root)]
if not loaded or strays:
    sys.exit(f"ybblockio or the libraries come from outside {root}: {sorted(loaded | {str(module)})}")
print(f"README session: {test.examples.__len__()} examples as shown; ybblockio {ybblockio.__version__} from {module.parent}")
