"""The soak harness of scripts/soak: a device run for days of simulated time under load."""
