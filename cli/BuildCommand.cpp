// quiltbox-cli build: a recipe's atlases, each made the request a command line would make and packed by the same steps
// as `pack`, only where something that matters changed since its last build; with --watch again whenever an input or
// the recipe changes, until interrupted.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unordered_set>

#include "base/FileSystem.h"
#include "base/RelativePath.h"
#include "base/SafeFileWriter.h"
#include "base/ShiftJis.h"
#include "cli/CommandSupport.h"
#include "cli/Commands.h"
#include "cli/Depfile.h"
#include "cli/Interrupt.h"
#include "cli/Options.h"
#include "cli/PackOptions.h"
#include "cli/PackPipeline.h"
#include "cli/RecipeSetup.h"
#include "cli/Terminal.h"
#include "inputs/ListFile.h"
#include "inputs/SpriteNaming.h"
#include "recipe/NearestName.h"
#include "recipe/RecipePaths.h"
#include "recipe/RecipeReader.h"
#include "watch/WatchSchedule.h"

namespace {

// The options of build itself; every option of pack may follow them, for this run only.
struct BuildArguments {
    std::vector<std::pair<std::string, std::string>> atlases;  // --atlas NAME, any number of times
    std::string outDir, depfile, stamp;
    bool watch = false, listOutputs = false;
};

struct BuildOptionRow {
    const char* name;
    const char* valueHint;  // nullptr for a flag
    std::string BuildArguments::*text;
    bool BuildArguments::*flag;
    const char* help;
};

const std::vector<BuildOptionRow>& buildOptionTable() {
    using B = BuildArguments;
    static const std::vector<BuildOptionRow> rows = {
        {"--atlas", "NAME", nullptr, nullptr, "build this atlas of the recipe (repeatable; default: every atlas)"},
        {"--watch", nullptr, nullptr, &B::watch,
         "after the build, build again whenever an input, a list, a template or the recipe changes (files added to "
         "or removed from the input folders included), a moment after the last change, until Ctrl+C"},
        {"--out-dir", "DIR", &B::outDir, nullptr,
         "take the outputs' relative paths from DIR instead of the recipe's folder"},
        {"--depfile", "FILE", &B::depfile, nullptr,
         "write what the build read (the recipe, every input file and the input folders) as a depfile for make and "
         "Ninja, naming the --stamp file (else the outputs) as its target"},
        {"--stamp", "FILE", &B::stamp, nullptr,
         "write FILE after every successful build, up to date or not, for a build system to go by"},
        {"--list-outputs", nullptr, nullptr, &B::listOutputs,
         "print the outputs of the atlases (full paths; {n} as it stands), one a line, and build nothing"},
    };
    return rows;
}

std::vector<Option> buildOptions(BuildArguments& b, PackArguments& overrides) {
    std::vector<Option> options;
    for (const BuildOptionRow& row : buildOptionTable()) {
        options.push_back({row.name, row.text ? &(b.*row.text) : nullptr, row.flag ? &(b.*row.flag) : nullptr,
                           row.text || row.flag ? nullptr : &b.atlases});
    }
    for (const Option& option : packOptions(overrides)) options.push_back(option);
    return options;
}

// What one build runs on: the recipe, the atlases asked for, the options given for this run.
struct BuildRun {
    BuildArguments build;
    PackArguments overrides;
    std::vector<std::string> given;  // the pack options given
    std::string recipePath;          // a full program path
    std::string shownRecipe;         // as given, UTF-8, for messages
    std::string outFolder;           // a full program path ending in a separator
};

// A build made ready: each atlas asked for as a pack request, what a watch looks at, the outputs of them all.
struct BuildPlan {
    std::vector<PackRequest> requests;
    WatchedInputs watched;
    std::vector<std::string> outputs;
};

void addOnce(std::vector<std::string>& list, const std::string& item) {
    if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
}

std::string folderOf(const std::string& path) {
    const PathParts parts = splitPath(path);
    return parts.drive + parts.folder;
}

// The files and folders a request reads before any of its images: its inputs, what its lists name, its templates.
void addWatched(const PackRequest& request, WatchedInputs& watched) {
    const auto add = [&](const std::string& path) {
        addOnce(pathTargetKind(path) == PathKind::Folder ? watched.folders : watched.files, path);
    };
    for (const InputArgument& input : request.inputs) {
        if (input.accepts) {
            addOnce(watched.folders, input.path);
            continue;
        }
        add(input.path);
        if (!input.list) continue;
        std::vector<ListedPath> listed;
        std::string error;
        if (!readListFile(input.path, listed, error)) continue;
        for (const ListedPath& entry : listed) {
            const bool absolute =
                !entry.path.empty() && (entry.path[0] == '/' || entry.path[0] == '\\' || entry.path.find(':') == 1);
            add(absolute ? entry.path : joinedPath(folderOf(input.path), entry.path));
        }
    }
    for (const auto& [option, value] : request.arguments.data) {
        std::string path;
        if (option == "--template" && fullPath(value, path)) addOnce(watched.files, path);
    }
}

// The atlases asked for, in the recipe's order; an unknown name is a usage error naming the nearest.
int selectAtlases(const Recipe& recipe, const BuildRun& run, std::vector<const RecipeAtlas*>& selected) {
    std::vector<std::string> names;
    for (const RecipeAtlas& atlas : recipe.atlases) names.push_back(atlas.name);
    std::vector<std::string> wanted;
    for (const auto& [option, value] : run.build.atlases) {
        std::string name;
        if (!utf8FromArgument(value, name) || std::find(names.begin(), names.end(), name) == names.end()) {
            return usage("build",
                         terminalText(programTextFromUtf8("the recipe has no atlas '" + name + "' (did you mean '" +
                                                          nearestName(name, names) + "'?)")));
        }
        wanted.push_back(name);
    }
    for (const RecipeAtlas& atlas : recipe.atlases) {
        if (wanted.empty() || std::find(wanted.begin(), wanted.end(), atlas.name) != wanted.end()) {
            selected.push_back(&atlas);
        }
    }
    return kExitOk;
}

// Two atlases writing one file would each undo the other's work at every build.
int refuseSharedOutputs(const std::vector<std::pair<std::string, std::vector<std::string>>>& outputs) {
    for (size_t a = 0; a < outputs.size(); ++a) {
        for (size_t b = a + 1; b < outputs.size(); ++b) {
            for (const std::string& one : outputs[a].second) {
                for (const std::string& other : outputs[b].second) {
                    if (comparablePath(one) != comparablePath(other)) continue;
                    return failure(programTextFromUtf8("atlases '" + outputs[a].first + "' and '" + outputs[b].first +
                                                       "' both write ") +
                                   one + "; nothing was written");
                }
            }
        }
    }
    return kExitOk;
}

// Reads the recipe and makes each atlas asked for the request a command line would make, its options read and its
// outputs listed; an exit status other than 0 when the recipe or an atlas cannot be used (said on standard error).
int planBuild(const BuildRun& run, BuildPlan& plan) {
    plan.watched.files = {run.recipePath};
    Recipe recipe;
    std::vector<RecipeProblem> problems;
    if (!loadRecipe(run.recipePath, packRecipeKeys(), recipe, problems)) {
        for (const RecipeProblem& problem : problems) failure(programTextFromUtf8(problem.describe(run.shownRecipe)));
        return failure("nothing was written");
    }
    std::vector<const RecipeAtlas*> selected;
    if (const int status = selectAtlases(recipe, run, selected)) return status;
    const std::string folder = recipeFolder(run.recipePath);
    std::vector<std::pair<std::string, std::vector<std::string>>> outputs;
    for (const RecipeAtlas* atlas : selected) {
        PackRequest request;
        std::string error;
        if (!requestFromRecipe(*atlas, folder, run.outFolder.empty() ? folder : run.outFolder, request, error)) {
            return failure(programTextFromUtf8("atlas '" + atlas->name + "': " + error));
        }
        overrideOptions(run.overrides, run.given, request);
        addWatched(request, plan.watched);
        request.mode = PackRequest::Mode::ListOutputs;
        PackReport report;
        if (const int status = runPackRequest(request, report)) return status;
        outputs.push_back({atlas->name, report.outputs});
        plan.outputs.insert(plan.outputs.end(), report.outputs.begin(), report.outputs.end());
        request.mode = PackRequest::Mode::Build;
        plan.requests.push_back(std::move(request));
    }
    return refuseSharedOutputs(outputs);
}

// Packs every atlas of the plan that needs it; with `forDepfile`, `dependencies` gets what a depfile names: the recipe,
// the folders and their subfolders, every file read (walking the folders again costs a look at every file, which a
// build with nothing to do should not pay unless asked). The exit status is the worst of the atlases'.
int packAll(const BuildPlan& plan, bool forDepfile, std::vector<std::string>& dependencies) {
    dependencies.clear();
    if (forDepfile) {
        dependencies = plan.watched.files;
        for (const std::string& folder : plan.watched.folders) addFoldersUnder(folder, dependencies);
    }
    // A set beside the list: a recipe of ten thousand sprites would otherwise spend more on this than on the check.
    std::unordered_set<std::string> listed(dependencies.begin(), dependencies.end());
    int status = kExitOk;
    for (const PackRequest& request : plan.requests) {
        PackReport report;
        status = std::max(status, runPackRequest(request, report));
        for (const std::string& file : forDepfile ? report.read : std::vector<std::string>{}) {
            if (listed.insert(file).second) dependencies.push_back(file);
        }
    }
    return status;
}

// The depfile and the stamp a build system goes by, after a build that succeeded.
int writeBuildSystemFiles(const BuildRun& run,
                          const std::vector<std::string>& outputs,
                          const std::vector<std::string>& dependencies) {
    std::string stamp, depfile;
    if (!run.build.stamp.empty() && !fullPath(run.build.stamp, stamp)) return failure("cannot use " + run.build.stamp);
    if (!run.build.depfile.empty() && !fullPath(run.build.depfile, depfile)) {
        return failure("cannot use " + run.build.depfile);
    }
    if (!depfile.empty()) {
        std::string targets;
        const std::vector<std::string> named = stamp.empty() ? outputs : std::vector<std::string>{stamp};
        if (!writing([&] { return writeFileSafely(depfile, depfileText(named, dependencies)); })) {
            return cannotWrite(depfile);
        }
    }
    if (!stamp.empty() && !writing([&] { return writeFileSafely(stamp, std::string()); })) return cannotWrite(stamp);
    return kExitOk;
}

// "2 changed: sprites/a.png, sprites/b.png" and the like, for the watch's line before a build.
std::string changesText(const ScanChanges& changes) {
    std::string text;
    const auto part = [&](const std::vector<std::string>& paths, const char* what) {
        if (paths.empty()) return;
        text += (text.empty() ? "" : "; ") + std::to_string(paths.size()) + " " + what + ": ";
        for (size_t i = 0; i < paths.size() && i < 3; ++i) text += (i ? ", " : "") + paths[i];
        if (paths.size() > 3) text += ", ...";
    };
    part(changes.added, "added");
    part(changes.changed, "changed");
    part(changes.removed, "removed");
    return text;
}

bool isImage(const std::string& path) {
    return imageKindAnyCase(path) != ImageKind::None;
}

// Builds again a moment after the inputs settle, until interrupted, starting from the inputs as `first` saw them. A
// failed build has said why and kept the previous outputs; the watch goes on, and the next change tries again. A
// recipe that cannot be read keeps the inputs watched as they were, and the recipe with them.
int watchBuilds(const BuildRun& run, WatchedInputs watched, const InputScan& first) {
    const bool quiet = run.overrides.quiet;
    if (!quiet) {
        std::printf("watching %zu folder(s) and %zu file(s); Ctrl+C ends\n", watched.folders.size(),
                    watched.files.size());
        std::fflush(stdout);
    }
    const auto start = std::chrono::steady_clock::now();
    WatchHooks hooks;
    hooks.scan = [&] { return scanInputs(watched, isImage); };
    hooks.pack = [&](const InputScan&, const ScanChanges& changes) {
        if (!quiet) std::printf("%s\n", terminalText(changesText(changes)).c_str());
        std::fflush(stdout);
        BuildPlan plan;
        std::vector<std::string> dependencies;
        if (planBuild(run, plan) == kExitOk) {
            watched = plan.watched;
            if (packAll(plan, !run.build.depfile.empty(), dependencies) == kExitOk) {
                writeBuildSystemFiles(run, plan.outputs, dependencies);
            }
        }
        std::fflush(stdout);
        std::fflush(stderr);
    };
    hooks.nowMs = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    };
    hooks.sleep = [](int64_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    hooks.stopped = interrupted;
    runWatch(hooks, first);
    if (!quiet) std::printf("stopped watching\n");
    return kExitOk;
}

}  // namespace

std::string buildOptionsHelp() {
    std::string help;
    for (const BuildOptionRow& row : buildOptionTable()) help += optionHelpLine(row.name, row.valueHint, row.help);
    return help;
}

int runBuild(const std::vector<std::string>& args) {
    BuildRun run;
    std::vector<std::string> positional, given;
    const std::string error = parseOptions(args, buildOptions(run.build, run.overrides), positional, &given);
    if (!error.empty()) return usage("build", error);
    if (positional.size() > 1) return usage("build", "give one recipe at most");
    for (const std::string& name : given) {
        const bool own = std::any_of(buildOptionTable().begin(), buildOptionTable().end(),
                                     [&](const BuildOptionRow& row) { return name == row.name; });
        if (name == "--save-recipe") return usage("build", "--save-recipe goes with pack, which writes a recipe");
        if (!own) run.given.push_back(name);
    }
    if (run.build.watch && run.build.listOutputs) return usage("build", "--list-outputs builds nothing to watch");
    const std::string recipe = positional.empty() ? "quiltbox.toml" : positional[0];
    if (!fullPath(recipe, run.recipePath) || !utf8FromArgument(recipe, run.shownRecipe)) {
        return failure("cannot use the path " + recipe + " (it cannot be held in Shift-JIS)");
    }
    if (!run.build.outDir.empty()) {
        if (!fullPath(run.build.outDir, run.outFolder)) return failure("cannot use the path " + run.build.outDir);
        run.outFolder = joinedPath(run.outFolder, "");
    }
    BuildPlan plan;
    int status = planBuild(run, plan);
    if (run.build.listOutputs) {
        for (const std::string& output : status == kExitOk ? plan.outputs : std::vector<std::string>{}) {
            std::printf("%s\n", terminalText(output).c_str());
        }
        return status;
    }
    if (run.build.watch) catchInterrupts();
    // The inputs as they stand before the first build, so that a change made while it runs starts another.
    const InputScan first = run.build.watch ? scanInputs(plan.watched, isImage) : InputScan{};
    std::vector<std::string> dependencies;
    if (status == kExitOk) status = packAll(plan, !run.build.depfile.empty(), dependencies);
    if (status == kExitOk) status = writeBuildSystemFiles(run, plan.outputs, dependencies);
    if (!run.build.watch) return status;
    return watchBuilds(run, plan.watched, first);
}
