// The program with the plain judge: the reference build.
#include "app/run.h"
#include "pairwise_judge.h"
#include "platform/arguments.h"

int main(int argc, char* argv[]) {
    const platform::Arguments arguments(argc, argv);
    return runTwinscout(arguments.count(), arguments.values(), makePairwiseJudge);
}
