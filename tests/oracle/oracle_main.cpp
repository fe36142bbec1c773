// The program with the plain classification: the reference build.
#include "app/run.h"
#include "pairwise_classes.h"

int main(int argc, char* argv[]) { return runTwinscout(argc, argv, classifyBandPairwise); }
