# Entry points: `make test`, `make sanitize`, `make run`, `make bench`, `make screenshots`, `make fuzz`.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: deps configure build test sanitize run bench bench-core bench-app bench-window bench-view screenshots fuzz format clean

deps:
	bash scripts/install-deps.sh

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# AddressSanitizer + UndefinedBehaviorSanitizer build of everything, same tests.
sanitize: deps
	cmake -S . -B $(SAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTARVELIN_SANITIZE=ON -DTARVELIN_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && QT_QPA_PLATFORM=offscreen \
	  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
	  LSAN_OPTIONS=suppressions=$(CURDIR)/scripts/lsan.supp:print_suppressions=0 \
	  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --output-on-failure -j $(JOBS)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-fuzz

# Fuzzing of the profile reader and the data-file reader (libFuzzer, clang, ASan + UBSan).
# The committed corpus is copied first, so new inputs never land in tests/data/fuzz.
FUZZ_BUILD   ?= build-fuzz
FUZZ_TARGETS  = fuzz_profile fuzz_datafile
FUZZ_RUNS    ?= 20000
FUZZ_TIME    ?= 300
# Longer inputs are cut when the corpus is loaded; the corpus replay test runs them whole.
FUZZ_MAX_LEN ?= 4096

.PHONY: fuzz-build fuzz-ci

fuzz-build:
	cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTARVELIN_FUZZ=ON \
	  -DTARVELIN_SANITIZE=ON -DTARVELIN_GUI=OFF -DTARVELIN_BENCH=OFF $(CMAKE_ARGS)
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)

# Open-ended: FUZZ_TIME seconds a target; findings go to $(FUZZ_BUILD)/.
fuzz: deps fuzz-build
	for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t && cp tests/data/fuzz/* $(FUZZ_BUILD)/corpus/$$t/ && \
	  $(FUZZ_BUILD)/bin/$$t -max_total_time=$(FUZZ_TIME) -max_len=$(FUZZ_MAX_LEN) -timeout=10 \
	    -artifact_prefix=$(FUZZ_BUILD)/$$t- \
	    $(FUZZ_BUILD)/corpus/$$t || exit 1; \
	done

# Fixed runs with a fixed seed on a fresh copy of the corpus, without address randomisation
# (pointer values reach the fuzzer's comparison tables) and without the timed corpus reload:
# the same outcome every time.
fuzz-ci: fuzz-build
	for t in $(FUZZ_TARGETS); do \
	  rm -rf $(FUZZ_BUILD)/ci-corpus/$$t && mkdir -p $(FUZZ_BUILD)/ci-corpus/$$t && \
	  cp tests/data/fuzz/* $(FUZZ_BUILD)/ci-corpus/$$t/ && \
	  setarch $$(uname -m) -R $(FUZZ_BUILD)/bin/$$t -runs=$(FUZZ_RUNS) -seed=1 \
	    -max_len=$(FUZZ_MAX_LEN) -reload=0 -timeout=10 -artifact_prefix=$(FUZZ_BUILD)/$$t- \
	    $(FUZZ_BUILD)/ci-corpus/$$t || exit 1; \
	done

# PNG pictures of the intro panel, the three pages (bundled example loaded and calculated), the
# window maximised on a 1920x1080 screen, the about box and the technical-information window,
# drawn under Xvfb into $(BUILD)/screenshots/.
screenshots: build
	cmake --build $(BUILD) -j $(JOBS) --target screenshots
	rm -rf $(BUILD)/screenshots && mkdir -p $(BUILD)/screenshots
	xvfb-run -a -s "-screen 0 1920x1080x24" $(BUILD)/tools/tarvelin-screenshots examples/hexapod.PEN $(BUILD)/screenshots

# Opens the program on a copy of a bundled example (the copy in $(BUILD)/run/, the settings
# beside the program); without a display, a batch run on the copy and its results.
run: build
	bash examples/run.sh $(BUILD)

# Whole headless batch runs timed with /usr/bin/time -v: the examples and 100,000 bars.
bench-app: build
	python3 bench/app/batch_timing.py --program $(BUILD)/bin/tarvelin

# The main window on 100,000 and on 1,000,000 nodes and bars: File > Open, Calculate, the scene
# written in the background, and scrolling, under Xvfb.
bench-window: build
	cmake --build $(BUILD) -j $(JOBS) --target bench_app_window
	xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/bin/bench_app_window
	xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/bin/bench_app_window --bars 1000000 --repeat 2

# The 3D view on 100,000 bars: scene, painting, hit test and the "-p" pictures (offscreen).
bench-view: build
	cmake --build $(BUILD) -j $(JOBS) --target bench_app_view
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/bench_app_view

# The Google Benchmarks of the core (number texts, calculation, data file, scene).
bench-core: build
	for b in $(BUILD)/bin/bench_*; do \
	  case $$b in *bench_app_*) continue ;; esac; \
	  echo "== $$b"; $$b || exit 1; \
	done

bench: bench-core bench-app bench-window bench-view
