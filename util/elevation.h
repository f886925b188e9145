#pragma once
// Whether the program runs with an administrator's full rights (Windows
// only): as the elevated half of a split token, or elevated outright.
// Systems without elevation answer neither question and count as not
// elevated. The answer is fixed for the process's life.
bool runsElevated();
