# Entry points: `make test`, `make sanitize`, `make run`, `make bench`, `make screenshots`, `make fuzz`.
BUILD      ?= build
SAN_BUILD  ?= build-sanitize
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: deps configure build test sanitize run bench screenshots fuzz format clean

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

# PNG pictures of the intro panel, the three pages (bundled example loaded and calculated), the
# about box and the technical-information window, drawn under Xvfb into $(BUILD)/screenshots/.
screenshots: build
	cmake --build $(BUILD) -j $(JOBS) --target screenshots
	rm -rf $(BUILD)/screenshots && mkdir -p $(BUILD)/screenshots
	xvfb-run -a -s "-screen 0 1280x1024x24" $(BUILD)/tools/tarvelin-screenshots examples/hexapod.PEN $(BUILD)/screenshots
