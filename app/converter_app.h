// The application: reads the command line into the main dialog, runs the dialog and ends
// the program when it closes.
#pragma once

#include <QApplication>

#include "app/command_line.h"

class CConverterApp : public QApplication {
 public:
  CConverterApp(int& argc, char** argv);

  // Runs the whole program with a display; returns the exit status: 1 after an auto-run
  // that left something unconverted, 2 after a bad command line, else 0.
  int InitInstance(const pismovar::CommandLine& line);
};
