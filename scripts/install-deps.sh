#!/usr/bin/env bash
# Installs what savkit needs to build and test on Debian (bookworm or later).
set -euo pipefail
# clang and its runtime libraries build the fuzz targets (libFuzzer).
# valgrind checks the suite's memory use; ccache spares CI compiling a file twice.
# pspp and readstat are the peers the tests check our reading and writing against.
# pkgconf checks the installed pkg-config files; libdeflate inflates .zsav blocks.
# xmllint (libxml2-utils) and chromium check the codebook page parses and shows its charts.
# cpp-httplib and nlohmann-json build savkit serve; selenium and chromedriver drive its page.
# pybind11, numpy, pandas and pytest build and test the Python package; venv, pip,
# setuptools and wheel install it from the sources; dask and distributed are
# what savkit.dask runs on. R, cpp11 and the R packages build and check the R
# package (haven is what it is compared with; roxygen2 makes its manual pages).
packages=(cmake ninja-build ccache g++ clang libclang-rt-dev libgtest-dev libbenchmark-dev libicu-dev zlib1g-dev libcli11-dev
          pspp readstat libreadstat-dev valgrind pkgconf libdeflate-dev libxml2-utils chromium
          libcpp-httplib-dev nlohmann-json3-dev python3-selenium chromium-driver
          libssl-dev pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest python3-venv python3-pip
          python3-setuptools python3-wheel python3-dask python3-distributed
          r-base-dev r-cran-cpp11 r-cran-testthat r-cran-tibble r-cran-vctrs r-cran-hms r-cran-haven r-cran-roxygen2
          r-cran-bench r-cran-jsonlite)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
