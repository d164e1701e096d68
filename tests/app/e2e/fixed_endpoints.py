#!/usr/bin/env python3
"""Nothing at run time moves what the product talks to or how it installs: only the test build carries
the variables (ZORVA_TEST_*) that end-to-end cases set, and the code that reads them.
  fixed_endpoints.py PRODUCT_EXE TEST_EXE"""
import sys

VARIABLES = ("ZORVA_TEST_PORTS", "ZORVA_TEST_INSTALL_STEP_MS")


def main():
    product, test = (open(path, "rb").read() for path in sys.argv[1:3])
    for name in VARIABLES:
        text = name.encode("utf-16-le")
        if text not in test:
            print("FAILED: the test build does not read %s, so this check sees nothing" % name)
            return 1
        if text in product or "ZORVA_TEST_".encode("utf-16-le") in product:
            print("FAILED: the product reads %s: it can be changed at run time" % name)
            return 1
    print("passed: only the test build reads " + ", ".join(VARIABLES))
    return 0


if __name__ == "__main__":
    sys.exit(main())
