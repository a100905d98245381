// Runnable.java - CLDC 1.0, signatures only.
package java.lang;

public interface Runnable {
    void run();
}
