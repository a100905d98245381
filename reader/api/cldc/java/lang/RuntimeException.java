// RuntimeException.java - CLDC 1.0, signatures only.
package java.lang;

public class RuntimeException extends Exception {
    public RuntimeException() {}
    public RuntimeException(String s) {}
}
