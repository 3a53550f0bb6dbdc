#include "tests/support/recipe_bench.h"

#include "shell/sim_options.h"
#include "tests/support/engine_rig.h"
#include "tests/support/files.h"

RecipeBench::RecipeBench(const Shape& shape)
{
    const std::string disk = downloadText(shape.diskLines), data = downloadText(shape.dataLines);
    write("disk.txt", disk);
    write("data.txt", data);
    std::string text = recipeText(shape.name.toStdString(), disk, data, shape.serials.toStdString()) + shape.label;
    text.replace(text.find("format=20"), 9, "format=" + std::to_string(shape.formatSeconds));
    auto read = auxpad::readRecipe(write("recipe.ini", text));
    if (!read) {
        problem = "the recipe: " + read.error();
        return;
    }
    recipe = *read;
    for (int i = 0; i < shape.count; ++i) {
        const std::string port = "COM" + std::to_string(shape.first + i);
        adapters.push_back(&lines.add(port, "/dev/sim/" + port));
    }
    recipeFiles = std::make_unique<auxpad::RecipeFiles>(*recipe, diskFiles);
    auxpad::Surroundings around;
    around.clock = &clock;
    around.lines = &lines;
    around.offload = auxpad::Offload::OnClock;
    around.printer = printer.linkFor(0);
    bench = std::make_unique<auxpad::Bench>(*recipeFiles, auxpad::RecipeFiles::kIniPath, around);
    session = std::make_unique<auxpad::BenchSession>(*bench);
    auxpad::SessionPlan plan;
    plan.recipe = &*recipe;
    plan.journalUrl = "sqlite:" + dir.filePath("records.sqlite");
    for (int i = 0; i < shape.count; ++i)
        plan.ports.push_back(lines.resolve("COM" + std::to_string(shape.first + i)));
    plan.rules = shape.rules;
    plan.watch = shape.watch;
    plan.labels = recipe->label.has_value();
    plan.access = recipe->access;
    if (const auto ready = session->setUp(std::move(plan)); !ready)
        problem = "the bench: " + ready.error();
}

void RecipeBench::plug(std::size_t i, const QStringList& options)
{
    adapters[i]->plug(auxsim::parseOptions(QStringList{"auxpad-sim", "--seed", "1"} + options)->engine);
}

QString RecipeBench::write(const QString& file, const std::string& text)
{
    return writeFile(dir.filePath(file), text);
}
