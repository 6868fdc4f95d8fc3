void main() {}
#include