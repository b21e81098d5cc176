setvol 35
set shuffle
play 999
"STOP"
